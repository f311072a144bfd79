#include "app/qt/views.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QShortcut>

#include "app/qt/twips.h"
#include "app/run_control.h"

namespace kerbcall::qt {

namespace {

constexpr double kLabelPoints = 9.6;
constexpr double kPanelPoints = 7.8;
const QColor kChooserGrey(192, 192, 192);

QSize TwipsSize(int width, int height) { return TwipsRect(0, 0, width, height).size(); }

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
    : TopLevelWindow(program), Command2(QString::fromUtf8(app::kStartCaption), this), Label1(this) {
    setWindowTitle(QString::fromUtf8(app::kMainWindowTitle));
    setFixedSize(TwipsSize(5412, 1236));
    Command2.setGeometry(TwipsRect(3360, 360, 1215, 375));
    Label1.setGeometry(TwipsRect(600, 480, 2292, 252));
    Label1.setFont(BoldSansFont(kLabelPoints));
}

void MainWindowView::RouteEventsTo(app::StartupForm& form) {
    form_ = &form;
    connect(&Command2, &QPushButton::clicked, this, Guarded(program_, [&form] { form.Command2_Click(); }));
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
      cmdSelect(QStringLiteral("Select"), this),
      cmdCancel(QStringLiteral("Cancel"), this) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral(".TRK File Finder"));
    setFixedSize(TwipsSize(6972, 5760));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, kChooserGrey);
    setPalette(grey);
    setAutoFillBackground(true);

    Picture1.setGeometry(TwipsRect(120, 120, 6735, 4335));
    Picture1.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1.setFont(BoldSansFont(kPanelPoints));
    drvList.setGeometry(TwipsRect(120, 120, 3615, 315));
    dirList.setGeometry(TwipsRect(120, 600, 3615, 3465));
    filList.setGeometry(TwipsRect(4080, 120, 2415, 3912));
    // The panel's font is its own; the lists keep the window's.
    QFont listFont = QApplication::font();
    listFont.setResolveMask(QFont::AllPropertiesResolved);
    for (QWidget* list :
         {static_cast<QWidget*>(&drvList), static_cast<QWidget*>(&dirList), static_cast<QWidget*>(&filList)}) {
        list->setFont(listFont);
    }
    cmdSelect.setGeometry(TwipsRect(1920, 5040, 1200, 480));
    cmdCancel.setGeometry(TwipsRect(3840, 5040, 1200, 480));

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

}  // namespace kerbcall::qt
