#include "record/connection_records.h"

#include <utility>

#include "shell/application.h"
#include "shell/show_message.h"

namespace qs {

ConnectionRecords::ConnectionRecords(Application& app, IMessageBox& messageBox,
                                     const IWallClock& wallClock, const ITickSource& clock,
                                     std::string backupFolder)
    : app_(app),
      safety_(app, messageBox, wallClock, std::move(backupFolder)),
      curves_(clock, [this] { return safety_.journalPath(); }),
      bench_(safety_, wallClock) {
    curves_.setProblemReporter([&messageBox](const std::string& error) {
        ShowMessage(messageBox,
                    "The curves file of this connection could not be written.\r\n" + error +
                        "\r\nThe adjustment goes on; its alignment report will lack the curves.");
    });
    app_.model().setOperationObserver(&curves_);
}

ConnectionRecords::~ConnectionRecords() {
    app_.model().setOperationObserver(nullptr);
}

}  // namespace qs
