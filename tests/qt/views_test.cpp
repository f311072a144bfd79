#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/qt/twips.h"
#include "app/qt/views.h"
#include "app/window_layout.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall::qt {
namespace {

namespace layout = app::layout;

QStringList Texts(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text().trimmed();
    }
    return texts;
}

// Clicks an entry of a list, once or twice, with the mouse.
void Click(QListWidget& list, const QString& text, bool twice = false) {
    const QPoint centre = list.visualItemRect(list.item(static_cast<int>(Texts(list).indexOf(text)))).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    if (twice) {
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
    }
}

QRect Pixels(const layout::Place& place) {
    return {TwipsToPixels(place.left, 96.0), TwipsToPixels(place.top, 96.0), TwipsToPixels(place.width, 96.0),
            TwipsToPixels(place.height, 96.0)};
}

// The program with Qt views on the fake platform, its folder a temporary one
// holding note files and a Tracks folder. The screen is at 96 DPI.
class QtViewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_DOUBLE_EQ(HorizontalDpi(), 96.0);
        const QDir root(folder.path());
        for (const char* name : {"Monza.ini", "spa.INI", ".hidden.ini", "notes.txt", "Tracks/Imola.ini"}) {
            root.mkpath(QFileInfo(root.filePath(name)).path());
            QFile(root.filePath(name)).open(QIODevice::WriteOnly);
        }
        platform.program.folder = folder.path().toStdString();
        mainWindow.RouteEventsTo(form);
        form.Form_Load();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser()));
    }

    ChooserWindow& chooser() { return *views.last; }

    class Windows : public ChooserWindows {
    public:
        explicit Windows(platform::Program& owner) : ChooserWindows(owner), program(owner) {}
        std::unique_ptr<app::ChooserView> CreateView() override {
            auto view = std::make_unique<ChooserWindow>(program, roots);
            last = view.get();
            return view;
        }
        platform::Program& program;
        std::vector<QString> roots = {"/", "/no-medium"};
        ChooserWindow* last = nullptr;
    };

    QTemporaryDir folder;
    fakes::FakePlatform platform;
    Globals globals;
    MainWindowView mainWindow{platform.program};
    Windows views{platform.program};
    app::StartupForm form{globals, platform.services, mainWindow.Controls(), views};
};

TEST_F(QtViewsTest, BothWindowsStandAsTheSharedLayoutPutsThem) {
    ChooserWindow view(platform.program);
    const std::pair<QWidget*, layout::Place> placed[] = {
        {&mainWindow.Command2, layout::kCommand2}, {&mainWindow.Label1, layout::kLabel1},
        {&view.Picture1, layout::kPicture1},       {&view.drvList, layout::kDrvList},
        {&view.dirList, layout::kDirList},         {&view.filList, layout::kFilList},
        {&view.cmdSelect, layout::kCmdSelect},     {&view.cmdCancel, layout::kCmdCancel},
    };
    for (const auto& [widget, place] : placed) {
        EXPECT_EQ(widget->geometry(), Pixels(place)) << widget->metaObject()->className();
    }
    EXPECT_EQ(mainWindow.size(),
              Pixels({0, 0, layout::kMainWindowClient.width, layout::kMainWindowClient.height}).size());
    EXPECT_EQ(view.size(), Pixels({0, 0, layout::kChooserClient.width, layout::kChooserClient.height}).size());
    EXPECT_EQ(view.minimumSize(), view.maximumSize());
    EXPECT_EQ(mainWindow.Label1.font().weight(), layout::kBoldWeight);
    EXPECT_DOUBLE_EQ(view.Picture1.font().pointSizeF(), layout::kPicture1Points);
    EXPECT_EQ(view.filList.font(), view.Picture1.font()) << "the lists take the panel's font";
    EXPECT_EQ(view.palette().color(QPalette::Window), QColor(192, 192, 192));
    view.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    EXPECT_EQ(QApplication::focusWidget(), &view.cmdCancel);
    QSignalSpy cancel(&view.cmdCancel, &QPushButton::clicked);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(cancel.count(), 1);
}

TEST_F(QtViewsTest, FoldersOpenOnADoubleClickOrWhenTheFocusLeavesAndFilesAreSelectedByClicks) {
    EXPECT_EQ(Texts(chooser().filList), QStringList({"Monza.ini", "spa.INI"}));
    EXPECT_FALSE(chooser().cmdSelect.isEnabled());
    Click(chooser().filList, "Monza.ini");
    EXPECT_TRUE(chooser().cmdSelect.isEnabled());
    Click(chooser().dirList, "Tracks");
    EXPECT_EQ(Texts(chooser().filList), QStringList({"Monza.ini", "spa.INI"})) << "one click only highlights";
    chooser().activateWindow();
    chooser().dirList.setFocus(Qt::MouseFocusReason);
    chooser().filList.setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(Texts(chooser().filList), QStringList({"Imola.ini"}));
    EXPECT_FALSE(chooser().cmdSelect.isEnabled());
    Click(chooser().dirList, QDir(folder.path()).dirName(), true);
    EXPECT_EQ(Texts(chooser().filList), QStringList({"Monza.ini", "spa.INI"}));
    EXPECT_FALSE(chooser().dirList.SetPath(folder.filePath("notes.txt").toStdString()));
    Click(chooser().filList, "spa.INI", true);
    EXPECT_EQ(globals.noteFileName, "spa.INI");
    EXPECT_EQ(mainWindow.Label1.text(), "spa");
    EXPECT_FALSE(chooser().isVisible());
}

TEST_F(QtViewsTest, AnUnreadableVolumePutsTheDriveBackAndClosingTheMainWindowStops) {
    chooser().drvList.setCurrentIndex(1);
    EXPECT_EQ(chooser().drvList.Drive(), "/");
    EXPECT_EQ(chooser().dirList.Path(), "/");
    chooser().close();
    EXPECT_EQ(platform.program.ends, 0) << "closing the chooser by its frame ends nothing";
    mainWindow.Show();
    EXPECT_THROW(mainWindow.close(), fakes::ProgramEnded);
    ASSERT_EQ(platform.mci.commands.size(), 6U);
    EXPECT_NE(platform.mci.commands[1].find("deactivated.mp3"), std::string::npos);
    EXPECT_EQ(platform.program.ends, 1);
}

}  // namespace
}  // namespace kerbcall::qt
