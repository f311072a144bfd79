#include "app/win32/views.h"

#include <commctrl.h>

#include "app/run_control.h"
#include "app/win32/control_ids.h"

namespace kerbcall::win32 {

namespace {

namespace layout = app::layout;

// The windows' own font, which the controls without a font of their own use.
constexpr double kDefaultFontPoints = 8.0;

// Why the main window is asked to close, as its close handling receives it.
constexpr std::int16_t kClosedByUser = 0;
constexpr std::int16_t kClosedBySessionEnd = 2;

// The program's icon among its resources.
constexpr char kIconName[] = "KERBCALL";

constexpr COLORREF kChooserBackground = RGB(layout::kChooserGrey, layout::kChooserGrey, layout::kChooserGrey);

// The procedure of a window class whose windows each belong to a View,
// which is kept in the window's user data from its first message on.
template <typename View>
LRESULT CALLBACK ViewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* view = static_cast<View*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    }
    auto* view = reinterpret_cast<View*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    // Until CreateWindowEx has returned, the view does not know its window.
    if (view == nullptr || view->Handle() != window) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
        case WM_GETDPISCALEDSIZE:
            // Windows proposes, for the coming DPI, the frame the layout needs.
            *reinterpret_cast<SIZE*>(lParam) = FrameSize(window, View::kClient, LOWORD(wParam));
            return TRUE;
        case WM_DPICHANGED: {
            // The window came onto a monitor of another DPI.
            const int dpi = HIWORD(wParam);
            const auto* proposed = reinterpret_cast<const RECT*>(lParam);
            view->LayOut(dpi);
            SizeFrame(window, View::kClient, dpi, POINT{proposed->left, proposed->top});
            return 0;
        }
        default:
            return view->HandleMessage(message, wParam, lParam);
    }
}

// A top-level window of the given class, laid out later, not yet shown.
HWND CreateFixedWindow(const char* windowClass, const char* title, DWORD style, DWORD exStyle, void* view) {
    return CreateWindowExA(exStyle, windowClass, title, style, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr),
                           view);
}

// Lays a new view's window out at its DPI, centred on the screen.
template <typename View>
void LayOutNew(View& view) {
    const int dpi = WindowDpi(view.Handle());
    view.LayOut(dpi);
    SizeFrame(view.Handle(), View::kClient, dpi);
}

// The panel: shows nothing itself and passes its lists' notifications on to
// the window it stands in.
LRESULT CALLBACK PanelProcedure(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            return SendMessageA(GetParent(panel), message, wParam, lParam);
        default:
            return DefWindowProcA(panel, message, wParam, lParam);
    }
}

// Gives the focus back to the control that had it when the window was last
// left, or to the first control in tab order that can take it.
void RestoreFocus(HWND window, HWND& focus, WPARAM activation) {
    if (LOWORD(activation) == WA_INACTIVE) {
        HWND current = GetFocus();
        if (current != nullptr && IsChild(window, current)) {
            focus = current;
        }
        return;
    }
    if (focus == nullptr || !IsWindowEnabled(focus)) {
        focus = GetNextDlgTabItem(window, nullptr, FALSE);
    }
    if (focus != nullptr) {
        SetFocus(focus);
    }
}

}  // namespace

void RegisterWindowClasses() {
    // The controls of the version the program's manifest asks for.
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    HINSTANCE program = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.hInstance = program;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconA(program, kIconName);
    windowClass.hIconSm = static_cast<HICON>(LoadImageA(program, kIconName, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));

    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpfnWndProc = PanelProcedure;
    windowClass.lpszClassName = kPanelWindowClass;
    RegisterClassExA(&windowClass);

    windowClass.lpfnWndProc = ViewProcedure<MainWindowView>;
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassExA(&windowClass);

    // The chooser paints its own grey background.
    windowClass.hbrBackground = nullptr;
    windowClass.lpfnWndProc = ViewProcedure<ChooserWindowView>;
    windowClass.lpszClassName = kChooserWindowClass;
    RegisterClassExA(&windowClass);
}

MainWindowView::MainWindowView(platform::Program& program)
    : program_(program),
      handle_(CreateFixedWindow(kMainWindowClass, app::kMainWindowTitle,
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_CONTROLPARENT, this)),
      buttonFont_(layout::kFontFace, kDefaultFontPoints, FW_NORMAL),
      labelFont_(layout::kFontFace, layout::kLabel1Points, layout::kBoldWeight),
      window_(handle_),
      command2_(CreateControl(handle_, "BUTTON", app::kStartCaption, WS_TABSTOP | BS_PUSHBUTTON, kCommand2Id)),
      label1_(CreateControl(handle_, "STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kLabel1Id)),
      lblStatus_(CreateControl(handle_, "STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS, kStatusId)),
      tmrStatus_(handle_, kStatusTimerId) {
    LayOutNew(*this);
}

void MainWindowView::LayOut(int dpi) {
    HWND command2 = GetDlgItem(handle_, kCommand2Id);
    HWND label1 = GetDlgItem(handle_, kLabel1Id);
    HWND status = GetDlgItem(handle_, kStatusId);
    buttonFont_.Apply(dpi, {command2, status});
    labelFont_.Apply(dpi, {label1});
    PlaceControls({{command2, layout::kCommand2}, {label1, layout::kLabel1}, {status, layout::kLblStatus}}, dpi);
}

LRESULT MainWindowView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (form_ != nullptr && LOWORD(wParam) == kCommand2Id && HIWORD(wParam) == BN_CLICKED) {
                app::HandleEvent(program_, [this] { form_->Command2_Click(); });
            }
            return 0;
        case WM_TIMER:
            if (form_ != nullptr && wParam == kStatusTimerId) {
                app::HandleEvent(program_, [this] { form_->tmrStatus_Timer(); });
            }
            return 0;
        case WM_CLOSE:
            QueryUnload(kClosedByUser);
            return 0;
        // The end of the session closes the window too: the stop sequence
        // runs and ends the program before the system goes on.
        case WM_QUERYENDSESSION:
            QueryUnload(kClosedBySessionEnd);
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                QueryUnload(kClosedBySessionEnd);
            }
            return 0;
        case WM_ACTIVATE:
            RestoreFocus(handle_, focus_, wParam);
            return 0;
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        default:
            return DefWindowProcA(handle_, message, wParam, lParam);
    }
}

void MainWindowView::QueryUnload(std::int16_t unloadMode) {
    if (form_ != nullptr) {
        app::HandleEvent(program_, [this, unloadMode] {
            std::int16_t cancel = 0;
            form_->Form_QueryUnload(cancel, unloadMode);
        });
    }
}

ChooserWindowView::ChooserWindowView(platform::Program& program)
    : program_(program),
      handle_(CreateFixedWindow(kChooserWindowClass, app::kChooserTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, this)),
      background_(CreateSolidBrush(kChooserBackground)),
      buttonFont_(layout::kFontFace, kDefaultFontPoints, FW_NORMAL),
      panelFont_(layout::kFontFace, layout::kPicture1Points, layout::kBoldWeight),
      window_(handle_),
      cmdSelect_(CreateControl(handle_, "BUTTON", app::kSelectCaption, WS_TABSTOP | BS_PUSHBUTTON, kSelectId)),
      cmdCancel_(CreateControl(handle_, "BUTTON", app::kCancelCaption, WS_TABSTOP | BS_PUSHBUTTON, kCancelId)),
      picture1_(CreateControl(handle_, kPanelWindowClass, "", WS_CLIPCHILDREN, kPicture1Id,
                              WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT)),
      drvList_(CreateControl(picture1_, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kDriveListId)),
      dirList_(CreateControl(picture1_, "LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                             kDirectoryListId, WS_EX_CLIENTEDGE)),
      filList_(CreateControl(picture1_, "LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                             kFileListId, WS_EX_CLIENTEDGE)) {
    LayOutNew(*this);
}

void ChooserWindowView::LayOut(int dpi) {
    HWND select = GetDlgItem(handle_, kSelectId);
    HWND cancel = GetDlgItem(handle_, kCancelId);
    HWND drives = GetDlgItem(picture1_, kDriveListId);
    HWND folders = GetDlgItem(picture1_, kDirectoryListId);
    HWND files = GetDlgItem(picture1_, kFileListId);
    buttonFont_.Apply(dpi, {select, cancel});
    // Win32 controls take no font from their container: the lists are given
    // the panel's.
    panelFont_.Apply(dpi, {drives, folders, files});
    // The height given to a drop-down list is that of its open list; its
    // font sets the height of the closed box.
    const layout::Place openDriveList{layout::kDrvList.left, layout::kDrvList.top, layout::kDrvList.width,
                                      layout::kDrvList.height * 8};
    PlaceControls({{select, layout::kCmdSelect},
                   {cancel, layout::kCmdCancel},
                   {picture1_, layout::kPicture1},
                   {drives, openDriveList},
                   {folders, layout::kDirList},
                   {files, layout::kFilList}},
                  dpi);
}

ChooserWindowView::~ChooserWindowView() {
    if (IsWindow(handle_)) {
        DestroyWindow(handle_);
    }
    DeleteObject(background_);
}

void ChooserWindowView::RouteEventsTo(app::FrmFileManager2& form) {
    form_ = &form;
    drvList_.onChange = [&form] { form.drvList_Change(); };
    dirList_.onChange = [&form] { form.dirList_Change(); };
    dirList_.onLostFocus = [&form] { form.dirList_LostFocus(); };
    filList_.onClick = [&form] { form.filList_Click(); };
    filList_.onDoubleClick = [&form] { form.filList_DblClick(); };
}

LRESULT ChooserWindowView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // A closed chooser hears nothing more, whatever its lists still send.
            if (form_ != nullptr && IsWindowVisible(handle_)) {
                Command(LOWORD(wParam), HIWORD(wParam));
            }
            return 0;
        case WM_ACTIVATE:
            RestoreFocus(handle_, focus_, wParam);
            return 0;
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), kChooserBackground);
            return reinterpret_cast<LRESULT>(background_);
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(handle_, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, background_);
            return 1;
        }
        case TopLevelWindow::kDiscardMessage:
            DestroyWindow(handle_);
            return 0;
        default:
            return DefWindowProcA(handle_, message, wParam, lParam);
    }
}

void ChooserWindowView::Command(int control, int notification) {
    switch (control) {
        case kSelectId:
            if (notification == BN_CLICKED) {
                app::HandleEvent(program_, [this] { form_->cmdSelect_Click(); });
            }
            break;
        case kCancelId:
            if (notification == BN_CLICKED) {
                app::HandleEvent(program_, [this] { form_->cmdCancel_Click(); });
            }
            break;
        case kDriveListId:
            if (notification == CBN_SELCHANGE) {
                app::HandleEvent(program_, [this] { drvList_.SelectionChanged(); });
            }
            break;
        case kDirectoryListId:
            if (notification == LBN_DBLCLK) {
                app::HandleEvent(program_, [this] { dirList_.DoubleClicked(); });
            } else if (notification == LBN_KILLFOCUS) {
                app::HandleEvent(program_, [this] { dirList_.LostFocus(); });
            }
            break;
        case kFileListId:
            if (notification == LBN_SELCHANGE) {
                app::HandleEvent(program_, [this] { filList_.SelectionChanged(); });
            } else if (notification == LBN_DBLCLK) {
                app::HandleEvent(program_, [this] { filList_.DoubleClicked(); });
            }
            break;
        default:
            break;
    }
}

}  // namespace kerbcall::win32
