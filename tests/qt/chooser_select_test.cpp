// The chooser as a user can drive it: Select only with a file to select, and
// a highlighted folder opening when the user turns to another window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/qt/views.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall::qt {
namespace {

class ChooserSelectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(QDir(folder.path()).mkdir("Tracks"));
        QFile monza(folder.filePath("Monza.ini"));
        ASSERT_TRUE(monza.open(QIODevice::WriteOnly));
        platform.program.folder = folder.path().toStdString();
        form.Form_Load();
        mainWindow.Show();
        ASSERT_NE(chooser(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(chooser()));
    }

    static ChooserWindow* chooser() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* found = dynamic_cast<ChooserWindow*>(window)) {
                return found;
            }
        }
        return nullptr;
    }

    // Clicks the list's entry that reads `text`, with the given keys held.
    static void Click(QListWidget& list, const QString& text, Qt::KeyboardModifiers keys = {}) {
        const QList<QListWidgetItem*> found = list.findItems(text, Qt::MatchEndsWith);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, keys, list.visualItemRect(found.front()).center());
    }

    QTemporaryDir folder;
    fakes::FakePlatform platform;
    Globals globals;
    MainWindowView mainWindow{platform.program};
    ChooserWindows views{platform.program};
    app::StartupForm form{globals, platform.services, mainWindow.Controls(), views};
};

TEST_F(ChooserSelectTest, SelectWithNothingSelectedDoesNothing) {
    Click(chooser()->filList, "Monza.ini");
    ASSERT_TRUE(chooser()->cmdSelect.isEnabled());
    Click(chooser()->filList, "Monza.ini", Qt::ControlModifier);
    ASSERT_TRUE(chooser()->filList.selectedItems().isEmpty());
    EXPECT_FALSE(chooser()->cmdSelect.isEnabled());

    // Pressed all the same, it records nothing and leaves the chooser open.
    chooser()->cmdSelect.setEnabled(true);
    chooser()->cmdSelect.click();
    EXPECT_TRUE(chooser()->isVisible());
    EXPECT_EQ(globals.noteFileName, "");
    EXPECT_EQ(mainWindow.Label1.text(), "");
}

TEST_F(ChooserSelectTest, AHighlightedFolderOpensWhenAnotherWindowTakesTheFocus) {
    chooser()->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chooser()));
    chooser()->dirList.setFocus(Qt::MouseFocusReason);
    Click(chooser()->dirList, "Tracks");
    ASSERT_EQ(chooser()->dirList.Path(), folder.path().toStdString());

    mainWindow.Show();
    const std::string tracks = folder.filePath("Tracks").toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return chooser()->dirList.Path() == tracks; }));
}

}  // namespace
}  // namespace kerbcall::qt
