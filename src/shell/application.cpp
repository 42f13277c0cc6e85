#include "shell/application.h"

#include <algorithm>
#include <string>

#include "shell/program_texts.h"
#include "shell/show_message.h"

namespace qs {

Application::Application(ISerialPort& port, ITimer& timer, const ITickSource& clock,
                         IProfileStore& settingsStore, IMessageBox& messageBox, IBeeper& beeper,
                         IInstanceLock& instanceLock, const MainWindowControls& controls)
    : port_(port),
      timer_(timer),
      clock_(clock),
      settingsStore_(settingsStore),
      messageBox_(messageBox),
      beeper_(beeper),
      instanceLock_(instanceLock),
      controls_(controls) {}

Application::~Application() {
    // The heartbeat and the port must not call into objects that are going away.
    if (com_) {
        com_->setMainTask(nullptr);
        com_->setCloneErrorReporter(nullptr);
        com_->setSettingsSaver(nullptr);
        com_->Form_Unload();
        port_.setEventHandler(nullptr);
        timer_.setHandler(nullptr);
    }
}

bool Application::Start() {
    if (started()) return true;
    if (!instanceLock_.TryAcquire()) {
        ShowMessage(messageBox_, std::string("Cannot execute ") + kProgramTitle +
                                     " repeatedly.\r\n" + kProgramTitle + " is already executing.");
        return false;
    }

    // The serial port service and its settings accessor.
    profMain_ = std::make_unique<clsCmcProfileIO>(settingsStore_);
    profMain_->SetCurrentPath();
    profMain_->setName(kSettingsFileName);
    profMain_->setSection(kProgramTitle);
    com_ = std::make_unique<frmCom>(port_, timer_, clock_);

    radio_.setRadioNameM(kRadioModelCode);
    radio_.setRadionameS(kRadioSubCode);

    com_->setComPortNum(kStartPortNum);
    com_->setComBaud(kStartBaud);
    com_->kel3D().Reset();
    com_->Reset();

    // The objects the settings load brings into being, wired to one another.
    sequence_ = std::make_unique<clsCmcKel3Sequence>(*com_, radio_, clock_);
    console_ = std::make_unique<clsConsole>();
    // The model reports clone errors through the main window, which is created next; it
    // only uses the reporter from its task, which runs after Start.
    model_ = std::make_unique<clsIndOp_RigK52T>(RigK52TParts{
        *sequence_, com_->kel3D(), radio_, *console_, controls_, clock_, beeper_, errorRelay_});
    main_ =
        std::make_unique<frmMain>(controls_, *com_, *sequence_, *console_, *model_, messageBox_);
    errorRelay_.target = main_.get();
    sequence_->setSubNameCheck(model_.get());
    sequence_->setCloneErrorReporter(main_.get());
    com_->setSequence(sequence_.get());
    heartbeat_.main = main_.get();
    com_->setMainTask(&heartbeat_);
    com_->setCloneErrorReporter(main_.get());
    com_->setSettingsSaver([this] { main_->saveData(*profMain_); });

    main_->loadData(*profMain_);
    // Everything the heartbeat drives exists now.
    com_->timSolid().setEnabled(true);
    main_->Form_Load();
    main_->Form_Resize();
    return true;
}

void Application::Heartbeat::task() {
    if (main != nullptr) main->task();
    // By id, so that a listener removed by an earlier one in this round is not called.
    std::vector<int> ids;
    for (const auto& [id, listener] : listeners) ids.push_back(id);
    for (int id : ids) {
        const auto it = std::find_if(listeners.begin(), listeners.end(),
                                     [id](const auto& entry) { return entry.first == id; });
        if (it == listeners.end()) continue;
        const std::function<void()> listener = it->second;
        listener();
    }
}

int Application::AddHeartbeatListener(std::function<void()> listener) {
    heartbeat_.listeners.emplace_back(++heartbeat_.lastId, std::move(listener));
    return heartbeat_.lastId;
}

void Application::RemoveHeartbeatListener(int id) {
    auto& listeners = heartbeat_.listeners;
    listeners.erase(std::remove_if(listeners.begin(), listeners.end(),
                                   [id](const auto& entry) { return entry.first == id; }),
                    listeners.end());
}

void Application::Close() {
    if (main_) main_->Form_QueryUnload();
}

}  // namespace qs
