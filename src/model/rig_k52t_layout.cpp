// The window operations of the model: captions, geometry in twips, the sub-code verdict,
// the port choice and the three command buttons.
#include <algorithm>
#include <cmath>

#include "model/rig_k52t_op.h"

namespace qs {
namespace {

constexpr std::int32_t kWindowWidthTwips = 9525;
constexpr double kWindowHeightShare = 0.9;
constexpr std::int32_t kMinWindowHeightTwips = 6600;
constexpr std::int32_t kMaxWindowHeightTwips = 9000;
constexpr std::int32_t kTallScreenWindowHeightTwips = 8500;
constexpr double kWindowTopShare = 0.3;

constexpr std::int32_t kGapTwips = 120;
constexpr std::int32_t kButtonWidthTwips = 1800;
constexpr std::int32_t kButtonHeightTwips = 330;
constexpr std::int32_t kButtonRowWidthTwips = 3 * kButtonWidthTwips + 240;
constexpr std::int32_t kReadingFrameTopTwips = 180;
constexpr std::int32_t kReadingFrameHeightTwips = 2400;
constexpr std::int32_t kLabelTopTwips = 240;

constexpr const char* kHighestSubCodeByte = "01";

std::int32_t AtLeastOne(std::int32_t v) {
    return std::max<std::int32_t>(v, 1);
}

void ResetList(IListBox& list, const char* heading, int placeholderRows) {
    list.Clear();
    list.AddItem(heading);
    for (int i = 0; i < placeholderRows; ++i)
        list.AddItem("----");
}

}  // namespace

void clsIndOp_RigK52T::RigOpFunc_FormResource() {
    controls_.cmd00[0]->setCaption("Connect");
    controls_.cmd00[1]->setCaption("Reload(F5)");
    controls_.cmd00[2]->setCaption("Disp para");
    ResetList(*controls_.lbo01[0], "[A/D]", 5);
    ResetList(*controls_.lbo01[1], "[D/A]", 9);
    controls_.lblProgress->setCaption(std::string(32, ' '));
}

void clsIndOp_RigK52T::RigOpFunc_FormLayout() {
    IWindow& window = *controls_.window;
    if (layoutDone_ == 0) {
        layoutDone_ = 1;
        std::int32_t height =
            static_cast<std::int32_t>(std::lround(kWindowHeightShare * window.screenHeight()));
        if (height < kMinWindowHeightTwips) height = kMinWindowHeightTwips;
        if (height > kMaxWindowHeightTwips) height = kTallScreenWindowHeightTwips;
        std::int32_t left = (window.screenWidth() - kWindowWidthTwips) / 2;
        std::int32_t top = static_cast<std::int32_t>(
            std::lround((window.screenHeight() - height) * kWindowTopShare));
        window.Move(left, top, kWindowWidthTwips, height);
    }

    const std::int32_t W = window.clientWidth();
    const std::int32_t H = window.clientHeight();
    const ILine& sepa = *controls_.linSepa[1];

    for (int i = 0; i < 3; ++i) {
        IButton& button = *controls_.cmd00[static_cast<std::size_t>(i)];
        std::int32_t left = sepa.x1() + ((sepa.x2() - sepa.x1()) - kButtonRowWidthTwips) / 2 +
                            i * (kButtonWidthTwips + kGapTwips);
        button.Move(left, sepa.y1() + kGapTwips, kButtonWidthTwips, kButtonHeightTwips);
        button.setTabStop(true);
        button.moveToEndOfTabOrder();
        button.setVisible(true);
    }

    const IButton& lastButton = *controls_.cmd00[2];
    const std::int32_t frameTop = lastButton.top() + lastButton.height();
    const std::int32_t frameWidth = AtLeastOne(W - 2 * kGapTwips);
    const std::int32_t frameHeight = AtLeastOne(H - frameTop - kGapTwips);
    for (int f : {0, 1, 3}) {
        controls_.fra01[static_cast<std::size_t>(f)]->Move(kGapTwips, frameTop, frameWidth,
                                                           frameHeight);
    }

    IFrame& readings = *controls_.fra01[2];
    readings.Move(kGapTwips, kReadingFrameTopTwips, AtLeastOne(frameWidth - 2 * kGapTwips),
                  kReadingFrameHeightTwips);
    readings.setBorder(false);
    readings.setVisible(true);

    const std::int32_t listWidth = AtLeastOne((readings.width() - 3 * kGapTwips) / 2);
    const std::int32_t listHeight = AtLeastOne(readings.height() - kGapTwips);
    controls_.lbo01[0]->Move(kGapTwips, kGapTwips, listWidth, listHeight);
    controls_.lbo01[0]->setVisible(true);
    controls_.lbo01[1]->Move(kGapTwips + listWidth + kGapTwips, kGapTwips, listWidth, listHeight);
    controls_.lbo01[1]->setVisible(true);

    IListBox& console = *controls_.lboConsole;
    const std::int32_t consoleTop = readings.top() + readings.height() + kGapTwips;
    console.Move(readings.left() + kGapTwips, consoleTop, AtLeastOne(frameWidth - 4 * kGapTwips),
                 AtLeastOne(frameHeight - consoleTop - kReadingFrameTopTwips));
    console.setVisible(true);

    ILabel& title = *controls_.lblTitle;
    title.MovePosition((frameWidth - title.width()) / 2, kLabelTopTwips);
    title.setVisible(true);
    ILabel& progress = *controls_.lblProgress;
    progress.MovePosition((frameWidth - progress.width()) / 2,
                          title.top() + title.height() + kLabelTopTwips);
    progress.setVisible(true);

    ITextBox& text = *controls_.txtDispPara;
    text.Move(kGapTwips, kLabelTopTwips, AtLeastOne(frameWidth - 2 * kGapTwips),
              AtLeastOne(frameHeight - 3 * kGapTwips));
    text.setTabStop(true);
    text.moveToEndOfTabOrder();
    text.setVisible(true);
}

bool clsIndOp_RigK52T::RigOpFunc_CheckSubNameLegal(const std::string& nameS) {
    // Only the first byte of the sub code decides: 00 and 01 are supported.
    return nameS.substr(0, 2).compare(kHighestSubCodeByte) <= 0;
}

void clsIndOp_RigK52T::RigOpFunc_SetComPortNo(std::int16_t portNo) {
    if (portNo == comPortNo_) return;
    comPortNo_ = portNo;
    RigOpFunc_ResetAll();
}

TaggedValue clsIndOp_RigK52T::RigOpFunc_ClickCmd00(std::int16_t Index) {
    StopAutoOp();
    switch (Index) {
        case 0:
            // A failure mark tells about this connection's radio; a new Connect may be
            // another radio, so an old mark would be a false report.
            lvaMark_.fill(false);
            RigOpFunc_ResetAll();
            taskState_ = 1;
            stateEntry_ = true;
            break;
        case 1:
            if (RigK52TProp_EditEnabled()) reloadRequest_ = true;
            break;
        case 2:
            if (RigK52TProp_EditEnabled()) {
                dispParaRequest_ = true;
            } else if (RigK52TProp_DispPara()) {
                dispParaRequest_ = false;
            }
            break;
        default:
            break;
    }
    return TaggedValue();
}

}  // namespace qs
