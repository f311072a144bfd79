#include "app/win32/views.h"

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
    return view->HandleMessage(message, wParam, lParam);
}

// A fixed-size top-level window with the given client area in twips, centred
// on the screen, not yet shown.
HWND CreateFixedWindow(const char* windowClass, const char* title, DWORD style, DWORD exStyle,
                       const layout::Size& client, void* view) {
    RECT frame{0, 0, TwipsToPixelsX(client.width), TwipsToPixelsY(client.height)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    return CreateWindowExA(exStyle, windowClass, title, style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                           (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), view);
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

void SetFont(HWND control, HFONT font) { SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE); }

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
    WNDCLASSA windowClass{};
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);

    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpfnWndProc = PanelProcedure;
    windowClass.lpszClassName = kPanelWindowClass;
    RegisterClassA(&windowClass);

    windowClass.lpfnWndProc = ViewProcedure<MainWindowView>;
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassA(&windowClass);

    // The chooser paints its own grey background.
    windowClass.hbrBackground = nullptr;
    windowClass.lpfnWndProc = ViewProcedure<ChooserWindowView>;
    windowClass.lpszClassName = kChooserWindowClass;
    RegisterClassA(&windowClass);
}

MainWindowView::MainWindowView(platform::Program& program)
    : program_(program),
      handle_(CreateFixedWindow(kMainWindowClass, app::kMainWindowTitle,
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_CONTROLPARENT,
                                layout::kMainWindowClient, this)),
      buttonFont_(CreatePointFont(layout::kFontFace, kDefaultFontPoints, FW_NORMAL)),
      labelFont_(CreatePointFont(layout::kFontFace, layout::kLabel1Points, layout::kBoldWeight)),
      window_(handle_),
      command2_(CreateControl(handle_, "BUTTON", app::kStartCaption, WS_TABSTOP | BS_PUSHBUTTON, kCommand2Id,
                              layout::kCommand2)),
      label1_(CreateControl(handle_, "STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kLabel1Id, layout::kLabel1)) {
    SetFont(GetDlgItem(handle_, kCommand2Id), buttonFont_.font);
    SetFont(GetDlgItem(handle_, kLabel1Id), labelFont_.font);
}

LRESULT MainWindowView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (form_ != nullptr && LOWORD(wParam) == kCommand2Id && HIWORD(wParam) == BN_CLICKED) {
                app::HandleEvent(program_, [this] { form_->Command2_Click(); });
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
                                WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, layout::kChooserClient, this)),
      background_(CreateSolidBrush(kChooserBackground)),
      buttonFont_(CreatePointFont(layout::kFontFace, kDefaultFontPoints, FW_NORMAL)),
      panelFont_(CreatePointFont(layout::kFontFace, layout::kPicture1Points, layout::kBoldWeight)),
      window_(handle_),
      cmdSelect_(CreateControl(handle_, "BUTTON", app::kSelectCaption, WS_TABSTOP | BS_PUSHBUTTON, kSelectId,
                               layout::kCmdSelect)),
      cmdCancel_(CreateControl(handle_, "BUTTON", app::kCancelCaption, WS_TABSTOP | BS_PUSHBUTTON, kCancelId,
                               layout::kCmdCancel)),
      picture1_(CreateControl(handle_, kPanelWindowClass, "", WS_CLIPCHILDREN, kPicture1Id, layout::kPicture1,
                              WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT)),
      // The height given to a drop-down list is that of its open list.
      drvList_(CreateControl(
          picture1_, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kDriveListId,
          {layout::kDrvList.left, layout::kDrvList.top, layout::kDrvList.width, layout::kDrvList.height * 8})),
      dirList_(CreateControl(picture1_, "LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                             kDirectoryListId, layout::kDirList, WS_EX_CLIENTEDGE)),
      filList_(CreateControl(picture1_, "LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                             kFileListId, layout::kFilList, WS_EX_CLIENTEDGE)) {
    SetFont(GetDlgItem(handle_, kSelectId), buttonFont_.font);
    SetFont(GetDlgItem(handle_, kCancelId), buttonFont_.font);
    // Win32 controls take no font from their container: the lists are given
    // the panel's.
    for (const int list : {kDriveListId, kDirectoryListId, kFileListId}) {
        SetFont(GetDlgItem(picture1_, list), panelFont_.font);
    }
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
