#pragma once

#include <QDialog>
#include <QPointer>
#include <string>

class QAction;

namespace qs {
class IMessageBox;
class SafetyNet;
}  // namespace qs

namespace qs::qt {

class MainWindow;

// The safety net's entries in the File menu, above Exit:
//   "Open backup folder"                    the folder in the desktop's file manager
//   "Revert to values read at Connect..."   asks, then sets the items back
//   "Compare with backup..."                picks a backup, shows the differing parameters
// The compare page opens in a window of its own that does not block the adjustment.
class SafetyMenu {
public:
    static constexpr const char* kOpenFolderCaption = "&Open backup folder";
    static constexpr const char* kRevertCaption = "&Revert to values read at Connect...";
    static constexpr const char* kCompareCaption = "&Compare with backup...";

    SafetyMenu(MainWindow& window, SafetyNet& net, IMessageBox& messageBox);
    SafetyMenu(const SafetyMenu&) = delete;
    SafetyMenu& operator=(const SafetyMenu&) = delete;

    QAction* openFolderAction() const { return openFolder_; }
    QAction* revertAction() const { return revert_; }
    QAction* compareAction() const { return compare_; }

    // Compares with the backup at `path` and shows the page (also the end of the menu entry).
    void ShowCompare(const std::string& path);
    // The open compare page, null when none.
    QDialog* comparePage() const { return page_.data(); }

private:
    void OpenFolder();
    void ChooseAndCompare();

    MainWindow& window_;
    SafetyNet& net_;
    IMessageBox& messageBox_;
    QAction* openFolder_ = nullptr;
    QAction* revert_ = nullptr;
    QAction* compare_ = nullptr;
    QPointer<QDialog> page_;
};

}  // namespace qs::qt
