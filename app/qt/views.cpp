#include "app/qt/views.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QShortcut>

#include "app/qt/twips.h"
#include "app/run_control.h"

namespace kerbcall::qt {

namespace {

namespace layout = app::layout;

// A handler that reports an error no handler takes and ends the program.
std::function<void()> Guarded(platform::Program& program, std::function<void()> handler) {
    return [&program, handler = std::move(handler)] { app::HandleEvent(program, handler); };
}

}  // namespace

TopLevelWindow::TopLevelWindow(platform::Program& program) : program_(program) {}

void TopLevelWindow::Show() {
    if (closed_) {
        return;
    }
    if (!placed_) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen != nullptr) {
            move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
        }
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void TopLevelWindow::Close() {
    closed_ = true;
    hide();
}

MainWindowView::MainWindowView(platform::Program& program)
    : TopLevelWindow(program), Command2(QString::fromUtf8(app::kStartCaption), this), Label1(this), lblStatus(this) {
    setWindowTitle(QString::fromUtf8(app::kMainWindowTitle));
    setFixedSize(PixelSize(layout::kMainWindowClient));
    Command2.setGeometry(PixelRect(layout::kCommand2));
    Label1.setGeometry(PixelRect(layout::kLabel1));
    Label1.setFont(BoldSansFont(layout::kLabel1Points));
    lblStatus.setGeometry(PixelRect(layout::kLblStatus));
}

void MainWindowView::RouteEventsTo(app::StartupForm& form) {
    form_ = &form;
    connect(&Command2, &QPushButton::clicked, this, Guarded(program_, [&form] { form.Command2_Click(); }));
    connect(&tmrStatus, &QTimer::timeout, this, Guarded(program_, [&form] { form.tmrStatus_Timer(); }));
}

void MainWindowView::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (form_ != nullptr) {
        app::StartupForm& form = *form_;
        app::HandleEvent(program_, [&form] {
            std::int16_t cancel = 0;
            form.Form_QueryUnload(cancel, 0);
        });
    }
}

ChooserWindow::ChooserWindow(platform::Program& program, std::vector<QString> driveRoots)
    : TopLevelWindow(program),
      Picture1(this),
      drvList(&Picture1, std::move(driveRoots)),
      dirList(&Picture1),
      filList(&Picture1),
      cmdSelect(QString::fromUtf8(app::kSelectCaption), this),
      cmdCancel(QString::fromUtf8(app::kCancelCaption), this) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QString::fromUtf8(app::kChooserTitle));
    setFixedSize(PixelSize(layout::kChooserClient));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(layout::kChooserGrey, layout::kChooserGrey, layout::kChooserGrey));
    setPalette(grey);
    setAutoFillBackground(true);

    Picture1.setGeometry(PixelRect(layout::kPicture1));
    Picture1.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1.setFont(BoldSansFont(layout::kPicture1Points));
    drvList.setGeometry(PixelRect(layout::kDrvList));
    dirList.setGeometry(PixelRect(layout::kDirList));
    filList.setGeometry(PixelRect(layout::kFilList));
    // The lists set no font of their own: they take the panel's.
    cmdSelect.setGeometry(PixelRect(layout::kCmdSelect));
    cmdCancel.setGeometry(PixelRect(layout::kCmdCancel));

    setTabOrder(&cmdSelect, &cmdCancel);
    setTabOrder(&cmdCancel, &drvList);
    setTabOrder(&drvList, &dirList);
    setTabOrder(&dirList, &filList);
    cmdCancel.setFocus();

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, &cmdCancel, &QPushButton::click);
}

void ChooserWindow::RouteEventsTo(app::FrmFileManager2& form) {
    drvList.onChange = Guarded(program_, [&form] { form.drvList_Change(); });
    dirList.onChange = Guarded(program_, [&form] { form.dirList_Change(); });
    dirList.onLostFocus = Guarded(program_, [&form] { form.dirList_LostFocus(); });
    filList.onClick = Guarded(program_, [&form] { form.filList_Click(); });
    filList.onDoubleClick = Guarded(program_, [&form] { form.filList_DblClick(); });
    connect(&cmdSelect, &QPushButton::clicked, this, Guarded(program_, [&form] { form.cmdSelect_Click(); }));
    connect(&cmdCancel, &QPushButton::clicked, this, Guarded(program_, [&form] { form.cmdCancel_Click(); }));
}

std::unique_ptr<app::ChooserView> ChooserWindows::CreateView() { return std::make_unique<ChooserWindow>(program_); }

ProgramWindows::ProgramWindows(platform::Services& services)
    : mainWindow(services.program),
      chooserWindows(services.program),
      form(globals, services, mainWindow.Controls(), chooserWindows) {
    mainWindow.RouteEventsTo(form);
    form.Form_Load();
    mainWindow.Show();
}

}  // namespace kerbcall::qt
