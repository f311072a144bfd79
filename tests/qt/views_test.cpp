// The Qt windows driven offscreen as a user drives them, over the fake platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <functional>

#include "app/main_window.h"
#include "app/qt/views.h"
#include "app/window_layout.h"
#include "platform/posix/posix_files.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall::qt {
namespace {

// Clicks the entry of a list (folders are indented by their depth) once or twice.
void Click(QListWidget& list, const QString& entry, bool twice = false, Qt::KeyboardModifiers keys = {}) {
    const auto items = list.findItems(entry, Qt::MatchEndsWith);
    ASSERT_EQ(items.size(), 1) << entry.toStdString();
    const QPoint centre = list.visualItemRect(items.front()).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, keys, centre);
    if (twice) {
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, keys, centre);
    }
}

// The program's windows over the form; its folder holds files and a folder.
class QtViewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(folder.path()).mkdir("Tracks"));
        for (const char* name : {"Monza.ini", ".hidden.ini", "notes.txt", "Tracks/Imola.ini"}) {
            ASSERT_TRUE(QFile(folder.filePath(name)).open(QIODevice::WriteOnly));
        }
        platform.program.folder = folder.path().toStdString();
        mainWindow.RouteEventsTo(form);
        form.Form_Load();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser()));
    }

    ChooserWindow& chooser() { return *views.last; }
    QStringList Files() {
        QStringList texts;
        for (int i = 0; i < chooser().filList.count(); ++i) {
            texts << chooser().filList.item(i)->text();
        }
        return texts;
    }

    class Windows : public ChooserWindows {
    public:
        explicit Windows(platform::Program& owner) : ChooserWindows(owner), program(owner) {}
        std::unique_ptr<app::ChooserView> CreateView() override {
            auto view = std::make_unique<ChooserWindow>(program, std::vector<QString>{"/", "/no-medium"});
            last = view.get();
            return view;
        }
        platform::Program& program;
        ChooserWindow* last = nullptr;
    };

    QTemporaryDir folder;
    fakes::FakePlatform platform;
    Globals globals;
    MainWindowView mainWindow{platform.program};
    Windows views{platform.program};
    app::StartupForm form{globals, platform.services, mainWindow.Controls(), views};
};

TEST_F(QtViewsTest, BothWindowsStandAsTheSharedLayoutPutsThemAndCancelHasTheFocusAndEscape) {
    namespace layout = app::layout;
    ChooserWindow view(platform.program);
    const auto pixels = [](int twips) { return qRound(twips / 15.0); };  // the offscreen screen has 96 DPI
    const std::pair<QWidget*, layout::Place> placed[] = {
        {&mainWindow.Command2, layout::kCommand2},   {&mainWindow.Label1, layout::kLabel1},
        {&mainWindow.lblStatus, layout::kLblStatus}, {&view.Picture1, layout::kPicture1},
        {&view.drvList, layout::kDrvList},           {&view.dirList, layout::kDirList},
        {&view.filList, layout::kFilList},           {&view.cmdSelect, layout::kCmdSelect},
        {&view.cmdCancel, layout::kCmdCancel}};
    for (const auto& [widget, place] : placed) {
        EXPECT_EQ(widget->geometry(),
                  QRect(pixels(place.left), pixels(place.top), pixels(place.width), pixels(place.height)));
    }
    for (const auto& [window, client] :
         {std::pair<QWidget*, layout::Size>{&mainWindow, layout::kMainWindowClient}, {&view, layout::kChooserClient}}) {
        EXPECT_EQ(window->size(), QSize(pixels(client.width), pixels(client.height)));
    }
    EXPECT_EQ(mainWindow.Label1.font().weight(), app::layout::kBoldWeight);
    EXPECT_EQ(mainWindow.lblStatus.font(), mainWindow.font());
    form.status.WaitingForSimulator();
    mainWindow.tmrStatus.Start(std::chrono::milliseconds(1));
    EXPECT_TRUE(QTest::qWaitFor([this] { return mainWindow.lblStatus.text() == "Waiting for the simulator"; }));
    EXPECT_DOUBLE_EQ(view.Picture1.font().pointSizeF(), app::layout::kPicture1Points);
    EXPECT_EQ(view.filList.font(), view.Picture1.font());
    EXPECT_EQ(view.minimumSize(), view.maximumSize());
    view.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    EXPECT_EQ(QApplication::focusWidget(), &view.cmdCancel);
    QSignalSpy cancel(&view.cmdCancel, &QPushButton::clicked);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(cancel.count(), 1);
}

TEST_F(QtViewsTest, SelectIsEnabledOnlyWithANoteFileSelectedAndSelectsNothingWithout) {
    EXPECT_EQ(Files(), QStringList({"Monza.ini"}));
    EXPECT_FALSE(chooser().cmdSelect.isEnabled());
    Click(chooser().filList, "Monza.ini");
    EXPECT_TRUE(chooser().cmdSelect.isEnabled());
    Click(chooser().filList, "Monza.ini", false, Qt::ControlModifier);
    ASSERT_TRUE(chooser().filList.selectedItems().isEmpty());
    EXPECT_FALSE(chooser().cmdSelect.isEnabled());
    chooser().cmdSelect.setEnabled(true);
    chooser().cmdSelect.click();
    EXPECT_TRUE(chooser().isVisible());
    EXPECT_EQ(globals.noteFileName, "");
    EXPECT_FALSE(chooser().dirList.SetPath(folder.filePath("notes.txt").toStdString()));
}

// A name as Linux keeps it (not UTF-8, with "\" and "?") is listed, shown with a replacement character, and read.
TEST_F(QtViewsTest, NamesThatAreNotUtf8AreListedAndTheFileSelectedIsTheOneRead) {
    std::ofstream(folder.path().toStdString() + "/\xe9preuve\\1?.ini") << "left3.mp3,125\r\n";
    chooser().filList.SetPath(folder.path().toStdString());
    const QString shown = QChar(QChar::ReplacementCharacter) + QStringLiteral("preuve\\1?.ini");
    ASSERT_EQ(Files(), QStringList({"Monza.ini", shown}));
    Click(chooser().filList, shown);
    chooser().cmdSelect.click();
    posix::PosixFiles files;
    TrackIniFileReader(globals, files, platform.program).ReadNoteFile();
    EXPECT_EQ(globals.paceNotes[0].soundFile, "left3.mp3");
}

TEST_F(QtViewsTest, AHighlightedFolderOpensOnADoubleClickOrWhenTheFolderListLosesTheFocus) {
    const std::pair<bool, std::function<void()>> ways[] = {
        {true, [] {}},
        {false, [this] { chooser().filList.setFocus(Qt::MouseFocusReason); }},
        {false, [this] { mainWindow.Show(); }},  // another window takes the focus
    };
    for (const auto& [doubleClick, leave] : ways) {
        chooser().Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&chooser()));
        chooser().dirList.setFocus(Qt::MouseFocusReason);
        Click(chooser().dirList, QDir(folder.path()).dirName(), true);
        ASSERT_EQ(Files(), QStringList({"Monza.ini"}));
        Click(chooser().dirList, "Tracks", doubleClick);
        if (!doubleClick) {
            EXPECT_EQ(Files(), QStringList({"Monza.ini"})) << "one click only highlights";
        }
        leave();
        EXPECT_TRUE(QTest::qWaitFor([&] { return Files() == QStringList({"Imola.ini"}); }));
    }
}

TEST_F(QtViewsTest, AnUnreadableVolumePutsTheDriveBackAndOnlyTheMainWindowsClosingStops) {
    EXPECT_EQ(DriveComboBox::DriveRoots().front(), QDir::homePath());  // the machine's: the home folder first
    chooser().drvList.setCurrentIndex(1);
    EXPECT_EQ(chooser().drvList.Drive(), "/");
    EXPECT_EQ(chooser().dirList.Path(), "/");
    chooser().close();
    EXPECT_EQ(platform.program.ends, 0);
    mainWindow.Show();
    EXPECT_THROW(mainWindow.close(), fakes::ProgramEnded);
    ASSERT_EQ(platform.mci.commands.size(), 6U);
    EXPECT_NE(platform.mci.commands[1].find("deactivated.mp3"), std::string::npos);
    EXPECT_EQ(platform.program.ends, 1);
}

}  // namespace
}  // namespace kerbcall::qt

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
