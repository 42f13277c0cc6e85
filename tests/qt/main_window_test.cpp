// The main window's widgets and how it routes keys, clicks and menus to the window logic.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "desktop/main_window.h"
#include "qt_test_main.h"

using namespace qs;
using namespace qs::qt;

namespace {

struct Recorder {
    std::vector<std::pair<int, int>> windowKeys;   // code, shift
    std::vector<std::pair<int, int>> consoleKeys;  // code, shift
    std::vector<int> clicks;
    std::vector<int> comMenus;
    std::vector<int> releaseMenus;
    std::vector<int> buttonChars;
    int consoleFocus = 0;
    int resizes = 0;
    int queryUnloads = 0;
    bool swallowConsoleArrows = true;

    MainWindowEvents Events() {
        MainWindowEvents e;
        e.resize = [this] { ++resizes; };
        e.keyDown = [this](std::int16_t& code, std::int16_t shift) {
            windowKeys.emplace_back(code, shift);
            if (code == 116) code = 0;
        };
        e.consoleKeyDown = [this](std::int16_t& code, std::int16_t shift) {
            consoleKeys.emplace_back(code, shift);
            if (swallowConsoleArrows && (code == 37 || code == 39 || code == 13)) code = 0;
        };
        e.consoleGotFocus = [this] { ++consoleFocus; };
        e.buttonClick = [this](int i) { clicks.push_back(i); };
        e.buttonKeyPress = [this](int, std::int16_t& ch) { buttonChars.push_back(ch); };
        e.comPortMenu = [this](int i) { comMenus.push_back(i); };
        e.autoReleaseMenu = [this](int i) { releaseMenus.push_back(i); };
        e.queryUnload = [this] { ++queryUnloads; };
        return e;
    }
};

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions << action->text();
    return captions;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menusCarryTheirCaptions() {
        MainWindow window;
        const QList<QAction*> top = window.menuBar()->actions();
        QCOMPARE(top.size(), 2);
        QCOMPARE(top[0]->text(), QStringLiteral("&File"));
        QCOMPARE(top[1]->text(), QStringLiteral("&Option"));
        QCOMPARE(Captions(top[0]->menu()), QStringList{QStringLiteral("E&xit")});
        const QList<QAction*> option = top[1]->menu()->actions();
        QCOMPARE(option[0]->text(), QStringLiteral("&Port"));
        QCOMPARE(option[1]->text(), QStringLiteral("&Auto port release"));
        QCOMPARE(Captions(option[0]->menu()),
                 (QStringList{"COM &1", "COM &2", "COM &3", "COM &4"}));
        QCOMPARE(Captions(option[1]->menu()),
                 (QStringList{"&OFF", "&1 sec", "&2 sec", "&3 sec", "&4 sec", "&5 sec"}));
        const MainWindowControls& c = window.controls();
        QVERIFY(c.mnuOptSelCom[0] == nullptr);
        for (int i = 1; i <= 4; ++i)
            QVERIFY(c.mnuOptSelCom[i] != nullptr);
        for (IMenuItem* item : c.mnuOptionSelAutoRelease)
            QVERIFY(item != nullptr);
        QCOMPARE(c.mnuOptSelCom[3]->caption(), std::string("COM &3"));
    }

    void everyControlExists() {
        MainWindow window;
        const MainWindowControls& c = window.controls();
        QVERIFY(c.window && c.lblTitle && c.lblProgress && c.lblComBusy && c.lboConsole &&
                c.txtDispPara);
        for (auto* p : c.cmd00)
            QVERIFY(p);
        for (auto* p : c.fra01)
            QVERIFY(p);
        for (auto* p : c.lbo01)
            QVERIFY(p);
        for (auto* p : c.linSepa)
            QVERIFY(p);
    }

    void menuClicksReportTheIndexAndLeaveTheCheckMarkToTheLogic() {
        MainWindow window;
        Recorder rec;
        window.setEvents(rec.Events());
        window.comPortAction(3)->trigger();
        window.autoReleaseAction(5)->trigger();
        QCOMPARE(rec.comMenus, std::vector<int>{3});
        QCOMPARE(rec.releaseMenus, std::vector<int>{5});
        QVERIFY(!window.comPortAction(3)->isChecked());
        window.controls().mnuOptSelCom[3]->setChecked(true);
        QVERIFY(window.comPortAction(3)->isChecked());
        QVERIFY(window.controls().mnuOptSelCom[3]->checked());
    }

    void consoleKeysWithShiftAndEnter() {
        MainWindow window;
        Recorder rec;
        window.setEvents(rec.Events());
        window.show();
        QListWidget* list = window.consoleList();
        window.controls().lboConsole->AddItem("row 0");
        window.controls().lboConsole->AddItem("row 1");
        list->setFocus();
        window.controls().lboConsole->setListIndex(1);
        QTest::keyClick(list, Qt::Key_Right);
        QTest::keyClick(list, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(list, Qt::Key_Left);
        QTest::keyClick(list, Qt::Key_Return);
        // The Shift key itself arrives as a key too, as on any window.
        const std::vector<std::pair<int, int>> expected = {
            {39, 0}, {16, 1}, {39, 1}, {37, 0}, {13, 0}};
        QCOMPARE(rec.consoleKeys, expected);
        // The window saw each key first, once.
        QCOMPARE(rec.windowKeys, expected);
        QCOMPARE(window.controls().lboConsole->ListIndex(), 1);
        // Unswallowed keys keep their list meaning.
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(window.controls().lboConsole->ListIndex(), 0);
    }

    void f5FromAButtonReachesTheWindowHandlerOnly() {
        MainWindow window;
        Recorder rec;
        window.setEvents(rec.Events());
        window.show();
        window.commandButton(2)->setFocus();
        QTest::keyClick(window.commandButton(2), Qt::Key_F5);
        QCOMPARE(rec.windowKeys, (std::vector<std::pair<int, int>>{{116, 0}}));
        QVERIFY(rec.consoleKeys.empty());
        QVERIFY(rec.clicks.empty());
    }

    void consoleFocusIsReported() {
        MainWindow window;
        Recorder rec;
        window.setEvents(rec.Events());
        window.show();
        window.commandButton(0)->setFocus();
        window.controls().lboConsole->setFocus();
        QTRY_VERIFY(rec.consoleFocus >= 1);
        QVERIFY(window.controls().lboConsole->hasFocus());
        QVERIFY(!window.controls().cmd00[0]->hasFocus());
    }

    void enterPressesTheDefaultButtonAndEscapeTheCancelButton() {
        MainWindow window;
        Recorder rec;
        window.setEvents(rec.Events());
        window.show();
        IButton* disp = window.controls().cmd00[2];
        disp->setDefault(true);
        disp->setCancel(true);
        QPlainTextEdit* edit = window.findChild<QPlainTextEdit*>(QStringLiteral("txtDispPara"));
        QVERIFY(edit);
        window.controls().fra01[3]->setVisible(true);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(rec.clicks, (std::vector<int>{2, 2}));
        disp->setDefault(false);
        disp->setCancel(false);
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(rec.clicks.size(), std::size_t(2));
    }

    void enterOnAFocusedButtonPressesIt() {
        MainWindow window;
        Recorder rec;
        window.setEvents(rec.Events());
        window.show();
        window.commandButton(1)->setFocus();
        QTest::keyClick(window.commandButton(1), Qt::Key_Return);
        QCOMPARE(rec.clicks, std::vector<int>{1});
        QTest::mouseClick(window.commandButton(0), Qt::LeftButton);
        QCOMPARE(rec.clicks, (std::vector<int>{1, 0}));
    }

    void charactersTypedOnAButtonAreReported() {
        MainWindow window;
        Recorder rec;
        window.setEvents(rec.Events());
        window.show();
        window.commandButton(0)->setFocus();
        QTest::keyClicks(window.commandButton(0), QStringLiteral("aZ"));
        QCOMPARE(rec.buttonChars, (std::vector<int>{'a', 'Z'}));
    }

    void geometryIsInTwips() {
        MainWindow window;
        const int tpp = window.scale().twipsPerPixelY();
        IButton* button = window.controls().cmd00[0];
        button->Move(1800, 330, 1800, 330);
        QCOMPARE(button->left(), 1800);
        QCOMPARE(button->width(), 1800);
        QCOMPARE(window.commandButton(0)->geometry(),
                 QRect(window.scale().ToPixelsX(1800), window.scale().ToPixelsY(330),
                       window.scale().ToPixelsX(1800), window.scale().ToPixelsY(330)));
        ILabel* label = window.controls().lblComBusy;
        label->setCaption("COM 1: CLOSE");
        // The label takes the width its caption needs, and reports it in twips.
        const int hinted = window.portLabel()->sizeHint().width();
        QVERIFY(hinted > 0);
        QCOMPARE(window.portLabel()->width(), hinted);
        QCOMPARE(label->width(), window.scale().ToTwipsX(hinted));
        label->MovePosition(120, 120);
        QCOMPARE(label->left(), 120);
        QCOMPARE(window.portLabel()->text(), QStringLiteral("COM 1: CLOSE"));
        QCOMPARE(window.controls().window->twipsPerPixelY(), tpp);
        QVERIFY(window.controls().window->screenHeight() > 0);
    }

    void labelTextAndColourRoles() {
        MainWindow window;
        ILabel* title = window.controls().lblTitle;
        title->setCaption("one\r\ntwo");
        QCOMPARE(title->caption(), std::string("one\r\ntwo"));
        QLabel* widget = window.findChild<QLabel*>(QStringLiteral("lblTitle"));
        QCOMPARE(widget->text(), QStringLiteral("one\ntwo"));
        title->setForeColor(ColorRole::GrayText);
        QVERIFY(title->foreColor() == ColorRole::GrayText);
        QCOMPARE(widget->palette().color(QPalette::WindowText), PaletteColor(ColorRole::GrayText));
    }

    void separatorIsTwoLinesInShadowAndHighlight() {
        MainWindow window;
        const MainWindowControls& c = window.controls();
        c.linSepa[1]->setCoords(0, 15, 9000, 15);
        QCOMPARE(c.linSepa[1]->y1(), 15);
        QCOMPARE(c.linSepa[1]->x2(), 9000);
        QVERIFY(window.separator(0).color() == ColorRole::ButtonShadow);
        QVERIFY(window.separator(1).color() == ColorRole::Highlight3D);
    }

    void listBoxRowsAndBounds() {
        MainWindow window;
        IListBox* list = window.controls().lbo01[0];
        list->AddItem("[A/D]");
        list->AddItem("----");
        QCOMPARE(list->ListCount(), 2);
        list->setList(1, "12.0V");
        list->setList(5, "ignored");
        list->setList(-1, "ignored");
        QCOMPARE(list->List(1), std::string("12.0V"));
        QCOMPARE(list->List(7), std::string());
        list->setListIndex(9);
        QCOMPARE(list->ListIndex(), -1);
        list->Clear();
        QCOMPARE(list->ListCount(), 0);
    }

    void fixedPitchFontIsUsedForTheLists() {
        MainWindow window;
        QVERIFY(QFontInfo(window.readingList(0)->font()).fixedPitch());
        QVERIFY(QFontInfo(window.portLabel()->font()).fixedPitch());
    }

    void closingAsksTheLogicOnce() {
        MainWindow window;
        Recorder rec;
        window.setEvents(rec.Events());
        window.show();
        window.exitAction()->trigger();
        QCOMPARE(rec.queryUnloads, 1);
        QVERIFY(!window.isVisible());
    }

    void resizeIsReported() {
        MainWindow window;
        Recorder rec;
        window.setEvents(rec.Events());
        window.show();
        const int before = rec.resizes;
        window.controls().window->Move(0, 0, 9525, 7000);
        QTRY_VERIFY(rec.resizes > before);
    }
};

QS_QT_TEST(qt_main_window_tests, MainWindowTest)
#include "main_window_test.moc"
