// qs71dr-adj-automated: the desktop program as the tests and scripts run it. The actions in
// QS71DR_ADJ_AUTOMATE drive the window once it is shown, and every message box is answered
// at once (OK, and Yes to a question), its text on standard error.
#include <cstdio>
#include <memory>

#include "automation.h"
#include "desktop/desktop_program.h"
#include "desktop/main_window.h"
#include "platform/alerts.h"
#include "program/program_root.h"
#include "shell/application.h"

namespace {

class AnsweringMessageBox : public qs::IMessageBox {
public:
    int ShowStop(const std::string& /*caption*/, const std::string& text) override {
        Print(text);
        return 1;
    }
    bool AskYesNo(const std::string& /*caption*/, const std::string& text) override {
        Print(text);
        return true;
    }

private:
    static void Print(const std::string& text) {
        std::string shown;
        for (char c : text) {
            if (c != '\r') shown += c;
        }
        std::fprintf(stderr, "%s\n", shown.c_str());
        std::fflush(stderr);
    }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace qs::qt;
    const QStringList actions = Automation::ActionsFromEnvironment();
    std::unique_ptr<Automation> driver;
    DesktopTestHooks hooks;
    hooks.messageBox = [](MainWindow&) { return std::make_unique<AnsweringMessageBox>(); };
    hooks.shown = [&](MainWindow& window, qs::ProgramRoot& root) {
        if (actions.isEmpty()) return;
        driver = std::make_unique<Automation>(window, actions);
        driver->setExtraReport([&root] {
            QStringList lines{
                QStringLiteral("hold-ms=%1").arg(root.app().sequence().comHoldReload())};
            for (qs::instruments::Role role : qs::instruments::kRoles) {
                lines << QStringLiteral("bench-%1=%2")
                             .arg(QString::fromLatin1(qs::instruments::RoleName(role)),
                                  QString::fromStdString(root.bench().Address(role)));
            }
            return lines;
        });
        driver->Start();
    };
    return RunDesktopProgram(argc, argv, hooks);
}
