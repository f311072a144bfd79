// The note file picked in the real chooser is the file Start reads, in
// whatever folder it was picked, through the real file system.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/qt/views.h"
#include "platform/posix/posix_files.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall::qt {
namespace {

void Write(const QString& path, const char* text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void DoubleClick(QListWidget& list, const QString& entry) {
    // Folder entries are indented by their depth.
    const auto items = list.findItems(entry, Qt::MatchEndsWith);
    ASSERT_EQ(items.size(), 1) << entry.toStdString();
    ASSERT_EQ(items.front()->text().trimmed(), entry);
    const QPoint centre = list.visualItemRect(items.front()).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
}

class RememberedWindows : public ChooserWindows {
public:
    using ChooserWindows::ChooserWindows;
    std::unique_ptr<app::ChooserView> CreateView() override {
        auto view = ChooserWindows::CreateView();
        last = dynamic_cast<ChooserWindow*>(view.get());
        return view;
    }
    ChooserWindow* last = nullptr;
};

TEST(ChosenNoteFileTest, IsReadFromTheFolderItWasPickedInUntilItVanishes) {
    QTemporaryDir root;
    const QDir programFolder(root.filePath("program"));
    const QDir notes(root.filePath("Stage \"notes\" é"));
    ASSERT_TRUE(programFolder.mkpath(".") && notes.mkpath("."));
    // A file of the same name in the program folder must not be read instead.
    Write(programFolder.filePath("Monza.ini"), "left1.mp3,100\r\n");
    Write(notes.filePath("Monza.ini"), "right2.mp3,200\r\nleft3.mp3,300\r\n");

    fakes::FakePlatform fake;
    posix::PosixFiles files;
    platform::Services services{fake.processes, fake.memory, files, fake.mci, fake.sleeper, fake.pump, fake.program};
    fake.program.folder = programFolder.path().toStdString();
    Globals globals;
    MainWindowView mainWindow(fake.program);
    RememberedWindows chooserWindows(fake.program);
    app::StartupForm form(globals, services, mainWindow.Controls(), chooserWindows);
    form.Form_Load();
    ChooserWindow& chooser = *chooserWindows.last;

    DoubleClick(chooser.dirList, QDir(root.path()).dirName());
    ASSERT_EQ(chooser.dirList.Path(), root.path().toStdString());
    DoubleClick(chooser.dirList, notes.dirName());
    ASSERT_EQ(chooser.filList.Path(), notes.path().toStdString());
    DoubleClick(chooser.filList, "Monza.ini");
    ASSERT_FALSE(chooser.isVisible()) << "the double click selects the file";
    EXPECT_EQ(mainWindow.Label1.text(), "Monza");

    form.noteReader.ReadNoteFile();
    ASSERT_EQ(globals.lastNoteIndex, 1);
    EXPECT_EQ(globals.paceNotes[0].soundFile, "right2.mp3");
    EXPECT_EQ(globals.paceNotes[1].triggerDistance, 300);
    EXPECT_TRUE(fake.program.messages.empty());

    ASSERT_TRUE(QDir(notes).removeRecursively());
    form.noteReader.ReadNoteFile();
    ASSERT_EQ(fake.program.messages.size(), 1U);
    EXPECT_EQ(fake.program.messages[0].text, kMissingNoteFileMessage);
}

}  // namespace
}  // namespace kerbcall::qt
