#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/qt/twips.h"
#include "app/qt/views.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall::qt {
namespace {

using ::testing::ElementsAre;

QStringList Texts(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text().trimmed();
    }
    return texts;
}

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

QPoint CentreOf(QListWidget& list, int row) { return list.visualItemRect(list.item(row)).center(); }

int RowOf(const QListWidget& list, const QString& text) {
    for (int i = 0; i < list.count(); ++i) {
        if (list.item(i)->text().trimmed() == text) {
            return i;
        }
    }
    return -1;
}

TEST(TwipsTest, FifteenTwipsMakeAPixelAt96Dpi) {
    EXPECT_EQ(TwipsToPixels(1215, 96.0), 81);
    EXPECT_EQ(TwipsToPixels(5412, 96.0), 361);
    EXPECT_EQ(TwipsToPixels(1440, 120.0), 120);
}

struct GeometryCase {
    const char* name;
    QRect twips;
};

// The screen of these tests is at 96 DPI.
class ViewsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_DOUBLE_EQ(HorizontalDpi(), 96.0); }
    fakes::FakeProgram program;
};

TEST_F(ViewsTest, MainWindowHasItsTitleControlsAndSizes) {
    MainWindowView view(program);
    EXPECT_EQ(view.windowTitle(), "ZRL Zuda Vodaz v1.1");
    EXPECT_EQ(view.size(), QSize(361, 82));
    EXPECT_EQ(view.Command2.geometry(), QRect(224, 24, 81, 25));
    EXPECT_EQ(view.Label1.geometry(), QRect(40, 32, 153, 17));
    EXPECT_EQ(view.Command2.text(), "Start");
    EXPECT_EQ(view.Label1.text(), "");
    EXPECT_EQ(view.Label1.font().weight(), 700);
    EXPECT_DOUBLE_EQ(view.Label1.font().pointSizeF(), 9.6);
    EXPECT_EQ(view.Label1.focusPolicy(), Qt::NoFocus);
}

TEST_F(ViewsTest, ChooserHasItsTitleFrameColourAndControls) {
    ChooserWindow view(program);
    EXPECT_EQ(view.windowTitle(), ".TRK File Finder");
    EXPECT_EQ(view.size(), QSize(465, 384));
    EXPECT_EQ(view.minimumSize(), view.maximumSize());
    EXPECT_EQ(view.palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_EQ(view.Picture1.geometry(), QRect(8, 8, 449, 289));
    EXPECT_EQ(view.drvList.geometry(), QRect(8, 8, 241, 21));
    EXPECT_EQ(view.dirList.geometry(), QRect(8, 40, 241, 231));
    EXPECT_EQ(view.filList.geometry(), QRect(272, 8, 161, 261));
    EXPECT_EQ(view.cmdSelect.geometry(), QRect(128, 336, 80, 32));
    EXPECT_EQ(view.cmdCancel.geometry(), QRect(256, 336, 80, 32));
    EXPECT_EQ(view.cmdSelect.text(), "Select");
    EXPECT_EQ(view.cmdCancel.text(), "Cancel");
    EXPECT_EQ(view.Picture1.font().weight(), 700);
    EXPECT_DOUBLE_EQ(view.Picture1.font().pointSizeF(), 7.8);
    EXPECT_EQ(view.filList.font().weight(), 700);
    EXPECT_FALSE(view.cmdSelect.isDefault());
    EXPECT_FALSE(view.cmdCancel.isDefault());
}

TEST_F(ViewsTest, TabRunsFromSelectToTheFileListAndCancelHoldsTheFocusFirst) {
    ChooserWindow view(program);
    view.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    EXPECT_EQ(QApplication::focusWidget(), &view.cmdCancel);
    view.cmdSelect.setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> order{QApplication::focusWidget()};
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.push_back(QApplication::focusWidget());
    }
    EXPECT_THAT(order, ElementsAre(&view.cmdSelect, &view.cmdCancel, &view.drvList, &view.dirList, &view.filList));
}

TEST_F(ViewsTest, EscapePressesCancel) {
    ChooserWindow view(program);
    view.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QSignalSpy cancel(&view.cmdCancel, &QPushButton::clicked);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(cancel.count(), 1);
}

struct DriveCase {
    const char* path;
    const char* drive;
};

class DriveTest : public ViewsTest, public ::testing::WithParamInterface<DriveCase> {};

TEST_P(DriveTest, SetDrivePicksTheVolumeThatHoldsThePath) {
    DriveComboBox drives(nullptr, {"/", "/media/usb", "/tmp"});
    drives.SetDrive(GetParam().path);
    EXPECT_EQ(drives.Drive(), GetParam().drive);
}

INSTANTIATE_TEST_SUITE_P(Paths, DriveTest,
                         ::testing::Values(DriveCase{"/tmp/x", "/tmp"}, DriveCase{"/tmp", "/tmp"},
                                           DriveCase{"/tmpfoo", "/"}, DriveCase{"/media/usb/a/b", "/media/usb"},
                                           DriveCase{"/", "/"}));

// The program with Qt views on the fake platform, its folder a temporary one
// holding note files and a Tracks folder.
class ChooserInUseTest : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        const QDir root(folder.path());
        for (const char* name : {"Monza.ini", "spa.INI", ".hidden.ini", "notes.txt"}) {
            Touch(root.filePath(name));
        }
        ASSERT_TRUE(root.mkdir("Tracks"));
        Touch(root.filePath("Tracks/Imola.ini"));
        platform.program.folder = folder.path().toStdString();
        form.Form_Load();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser()));
    }

    ChooserWindow& chooser() { return *views.last; }

    class Windows : public ChooserWindows {
    public:
        explicit Windows(platform::Program& program) : ChooserWindows(program) {}
        std::unique_ptr<app::ChooserView> CreateView() override {
            auto view = ChooserWindows::CreateView();
            last = dynamic_cast<ChooserWindow*>(view.get());
            return view;
        }
        ChooserWindow* last = nullptr;
    };

    QTemporaryDir folder;
    fakes::FakePlatform platform;
    Globals globals;
    MainWindowView mainWindow{platform.program};
    Windows views{platform.program};
    app::StartupForm form{globals, platform.services, mainWindow.Controls(), views};
};

TEST_F(ChooserInUseTest, OpensOnTheProgramFoldersNoteFiles) {
    EXPECT_EQ(chooser().dirList.Path(), folder.path().toStdString());
    EXPECT_EQ(Texts(chooser().filList), QStringList({"Monza.ini", "spa.INI"}));
    EXPECT_TRUE(chooser().filList.selectedItems().isEmpty());
    EXPECT_FALSE(chooser().cmdSelect.isEnabled());
    EXPECT_EQ(chooser().focusWidget(), &chooser().cmdCancel);
    EXPECT_EQ(chooser().drvList.Drive(), "/");
    // The open folder is highlighted, and the folder inside it is listed.
    EXPECT_EQ(chooser().dirList.HighlightedPath(), folder.path().toStdString());
    EXPECT_NE(RowOf(chooser().dirList, "Tracks"), -1);
}

TEST_F(ChooserInUseTest, ClickingAFileEnablesSelect) {
    QListWidget& files = chooser().filList;
    QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, CentreOf(files, RowOf(files, "spa.INI")));
    EXPECT_TRUE(chooser().cmdSelect.isEnabled());
    QTest::mouseClick(&chooser().cmdSelect, Qt::LeftButton);
    EXPECT_EQ(globals.noteFileName, "spa.INI");
    EXPECT_EQ(mainWindow.Label1.text(), "spa");
    EXPECT_FALSE(chooser().isVisible());
    EXPECT_TRUE(mainWindow.isVisible());
}

TEST_F(ChooserInUseTest, DoubleClickOnAFileSelectsAtOnce) {
    QListWidget& files = chooser().filList;
    const QPoint monza = CentreOf(files, RowOf(files, "Monza.ini"));
    QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, monza);
    QTest::mouseDClick(files.viewport(), Qt::LeftButton, {}, monza);
    EXPECT_EQ(globals.noteFileName, "Monza.ini");
    EXPECT_EQ(mainWindow.Label1.text(), "Monza");
    EXPECT_FALSE(chooser().isVisible());
}

TEST_F(ChooserInUseTest, ASingleClickOnAFolderOnlyHighlightsItUntilTheFocusMovesOn) {
    QListWidget& folders = chooser().dirList;
    const QString tracks = QDir(folder.path()).filePath("Tracks");
    QTest::mouseClick(folders.viewport(), Qt::LeftButton, {}, CentreOf(folders, RowOf(folders, "Tracks")));
    EXPECT_EQ(chooser().dirList.Path(), folder.path().toStdString());
    EXPECT_EQ(chooser().dirList.HighlightedPath(), tracks.toStdString());
    chooser().activateWindow();
    folders.setFocus(Qt::MouseFocusReason);
    chooser().filList.setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(chooser().dirList.Path(), tracks.toStdString());
    EXPECT_EQ(Texts(chooser().filList), QStringList({"Imola.ini"}));
    EXPECT_FALSE(chooser().cmdSelect.isEnabled());
}

TEST_F(ChooserInUseTest, DoubleClickOnAFolderOpensIt) {
    QListWidget& folders = chooser().dirList;
    const QPoint tracks = CentreOf(folders, RowOf(folders, "Tracks"));
    QTest::mouseClick(folders.viewport(), Qt::LeftButton, {}, tracks);
    QTest::mouseDClick(folders.viewport(), Qt::LeftButton, {}, tracks);
    EXPECT_EQ(Texts(chooser().filList), QStringList({"Imola.ini"}));
    // The folders above stay listed, and one of them opens the same way.
    const QPoint above = CentreOf(folders, RowOf(folders, QDir(folder.path()).dirName()));
    QTest::mouseClick(folders.viewport(), Qt::LeftButton, {}, above);
    QTest::mouseDClick(folders.viewport(), Qt::LeftButton, {}, above);
    EXPECT_EQ(Texts(chooser().filList), QStringList({"Monza.ini", "spa.INI"}));
}

TEST_F(ChooserInUseTest, ClosingTheChooserByItsFrameRecordsAndEndsNothing) {
    chooser().close();
    EXPECT_FALSE(chooser().isVisible());
    EXPECT_EQ(globals.noteFileName, "");
    EXPECT_EQ(mainWindow.Label1.text(), "");
    EXPECT_TRUE(platform.mci.commands.empty());
    EXPECT_EQ(platform.program.ends, 0);
}

TEST_F(ChooserInUseTest, ClosingTheMainWindowRunsTheStopSequence) {
    mainWindow.RouteEventsTo(form);
    mainWindow.Show();
    // The fake ending throws; it leaves the close handling as the real one
    // leaves the process.
    EXPECT_THROW(mainWindow.close(), fakes::ProgramEnded);
    ASSERT_EQ(platform.mci.commands.size(), 6U);
    EXPECT_EQ(platform.mci.commands.front(), "close songNumber1");
    EXPECT_NE(platform.mci.commands[1].find("deactivated.mp3"), std::string::npos);
    EXPECT_THAT(platform.sleeper.sleeps, ElementsAre(1000U));
    EXPECT_EQ(platform.program.ends, 1);
}

TEST_F(ChooserInUseTest, StartAndStopArePressesOfTheOneButton) {
    mainWindow.RouteEventsTo(form);
    mainWindow.Show();
    platform.pump.onYield = [this](int) {
        EXPECT_EQ(mainWindow.Command2.text(), "Stop");
        EXPECT_EQ(mainWindow.Label1.text(), " activated");
        QTest::mouseClick(&mainWindow.Command2, Qt::LeftButton);
    };
    EXPECT_THROW(QTest::mouseClick(&mainWindow.Command2, Qt::LeftButton), fakes::ProgramEnded);
    EXPECT_NE(platform.mci.commands.front().find("activated.mp3"), std::string::npos);
    EXPECT_EQ(platform.mci.commands.back(), "close songNumber1");
    EXPECT_EQ(platform.program.ends, 1);
}

TEST_F(ChooserInUseTest, AFolderThatCannotBeOpenedLeavesTheListAsItIs) {
    EXPECT_FALSE(chooser().dirList.SetPath(folder.filePath("missing").toStdString()));
    EXPECT_FALSE(chooser().dirList.SetPath(folder.filePath("notes.txt").toStdString()));
    EXPECT_EQ(chooser().dirList.Path(), folder.path().toStdString());
}

TEST_F(ViewsTest, AVolumeThatCannotBeReadPutsTheDriveBack) {
    fakes::FakePlatform platform;
    Globals globals;
    MainWindowView mainWindow(platform.program);
    class UnreachableDrive : public app::ChooserViewFactory {
    public:
        explicit UnreachableDrive(platform::Program& program) : program_(program) {}
        std::unique_ptr<app::ChooserView> CreateView() override {
            auto view = std::make_unique<ChooserWindow>(program_, std::vector<QString>{"/", "/no-medium"});
            last = view.get();
            return view;
        }
        ChooserWindow* last = nullptr;

    private:
        platform::Program& program_;
    } views(platform.program);
    app::StartupForm form(globals, platform.services, mainWindow.Controls(), views);
    platform.program.folder = QDir::tempPath().toStdString();
    form.Form_Load();
    views.last->drvList.setCurrentIndex(1);
    EXPECT_EQ(views.last->drvList.Drive(), "/");
    EXPECT_EQ(views.last->dirList.Path(), "/");
    EXPECT_TRUE(platform.program.messages.empty());
}

}  // namespace
}  // namespace kerbcall::qt
