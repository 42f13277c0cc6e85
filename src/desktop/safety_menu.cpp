#include "desktop/safety_menu.h"

#include <QAction>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "desktop/main_window.h"
#include "desktop/qt_controls.h"
#include "safety/backup_file.h"
#include "safety/safety_net.h"
#include "shell/show_message.h"

namespace qs::qt {
namespace {

constexpr int kPageWidthPixels = 640;
constexpr int kPageHeightPixels = 480;

}  // namespace

SafetyMenu::SafetyMenu(MainWindow& window, SafetyNet& net, IMessageBox& messageBox)
    : window_(window), net_(net), messageBox_(messageBox) {
    // Exit was added to the File menu, so that is where the new entries go, above it.
    QAction* exitAction = window.exitAction();
    auto* fileMenu = qobject_cast<QMenu*>(exitAction->parent());
    if (fileMenu == nullptr) return;
    openFolder_ = new QAction(QString::fromLatin1(kOpenFolderCaption), fileMenu);
    revert_ = new QAction(QString::fromLatin1(kRevertCaption), fileMenu);
    compare_ = new QAction(QString::fromLatin1(kCompareCaption), fileMenu);
    fileMenu->insertAction(exitAction, openFolder_);
    fileMenu->insertAction(exitAction, revert_);
    fileMenu->insertAction(exitAction, compare_);
    fileMenu->insertSeparator(exitAction);
    QObject::connect(openFolder_, &QAction::triggered, fileMenu, [this] { OpenFolder(); });
    QObject::connect(revert_, &QAction::triggered, fileMenu,
                     [this] { net_.RevertToConnectValues(); });
    window.AddDrivingAction(revert_);
    QObject::connect(compare_, &QAction::triggered, fileMenu, [this] { ChooseAndCompare(); });
}

void SafetyMenu::OpenFolder() {
    const std::string folder = net_.backupFolder();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (folder.empty() || ec ||
        !QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)))) {
        ShowMessage(messageBox_, "The backup folder could not be opened.\r\n" +
                                     (folder.empty() ? std::string("No folder for user data is "
                                                                   "known.")
                                                     : folder + (ec ? ": " + ec.message() : "")));
    }
}

void SafetyMenu::ChooseAndCompare() {
    const QString path = QFileDialog::getOpenFileName(
        &window_, QStringLiteral("Compare with backup"),
        QString::fromStdString(net_.backupFolder()),
        QStringLiteral("Backups (*%1);;All files (*)").arg(QLatin1String(kBackupExtension)));
    if (path.isEmpty()) return;
    ShowCompare(path.toStdString());
}

void SafetyMenu::ShowCompare(const std::string& path) {
    std::string page;
    std::string error;
    if (!net_.CompareWithBackup(path, page, error)) {
        ShowMessage(messageBox_, error);
        return;
    }
    if (page_.isNull()) {
        page_ = new QDialog(&window_);
        page_->setAttribute(Qt::WA_DeleteOnClose);
        page_->setObjectName(QStringLiteral("comparePage"));
        page_->setWindowTitle(QStringLiteral("Compare with backup"));
        auto* text = new QPlainTextEdit(page_);
        text->setObjectName(QStringLiteral("compareText"));
        text->setReadOnly(true);
        text->setLineWrapMode(QPlainTextEdit::NoWrap);
        text->setFont(MainWindow::FixedPitchFont());
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, page_);
        QObject::connect(buttons, &QDialogButtonBox::rejected, page_.data(), &QDialog::close);
        auto* layout = new QVBoxLayout(page_);
        layout->addWidget(text);
        layout->addWidget(buttons);
        page_->resize(kPageWidthPixels, kPageHeightPixels);
    }
    page_->findChild<QPlainTextEdit*>(QStringLiteral("compareText"))
        ->setPlainText(ToDisplayText(page));
    // Not modal: the adjustment goes on while the technician reads it.
    page_->show();
    page_->raise();
}

}  // namespace qs::qt
