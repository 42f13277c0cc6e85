#include "app_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>

#include "desktop/window_binding.h"

namespace qs::qt::testing {

namespace {
constexpr int kPollMs = 20;
}  // namespace

MessageBoxWatcher::MessageBoxWatcher() {
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &MessageBoxWatcher::Poll);
    timer_.start();
}

void MessageBoxWatcher::Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    seen_.append(Seen{box->windowTitle(), box->text(), box->icon()});
    box->accept();
}

ProgramUnderTest::ProgramUnderTest()
    : store_(std::make_unique<IniFileStore>(dir_.path().toStdString())),
      lock_(std::make_unique<QtInstanceLock>(dir_.filePath(QStringLiteral("adj.lock")))) {
    messageBox_.setParent(&window_);
}

ProgramUnderTest::~ProgramUnderTest() {
    if (app_ && app_->started()) app_->main().Form_QueryUnload();
}

bool ProgramUnderTest::Start() {
    app_ = std::make_unique<Application>(port_, timer_, clock_, *store_, messageBox_, beeper_,
                                         *lock_, window_.controls());
    if (!app_->Start()) return false;
    BindMainWindow(window_, app_->main());
    window_.show();
    return true;
}

QString ProgramUnderTest::settingsFile() const {
    return dir_.filePath(QString::fromLatin1(Application::kSettingsFileName));
}

int ConsoleRowOf(const MainWindow& window, const QString& title) {
    const QListWidget* list = window.consoleList();
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->text().contains(title)) return row;
    }
    return -1;
}

}  // namespace qs::qt::testing
