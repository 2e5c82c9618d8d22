// The UI layer: a portable window model with pluggable backends.
//
// The library and the program never call a GUI toolkit. Every window, dialog
// and control is a VKWindow of this model; its state (text, check state,
// position, tree items, ...) lives here, so all behaviour can be tested without
// a display. A backend only presents the model and feeds user input back in as
// messages: the headless backend answers modal dialogs and boxes from a
// scripted answer queue (or by their default button) and writes their texts to
// standard error; the Qt backend (ui/qt) renders the same model.
//
// The message model follows the classic dialog model: a window has a procedure
// that receives messages (init, command, notify, close, timer, ...), modal
// dialogs run until EndDialog, modeless windows live until destroyed, and a
// message pump delivers posted messages.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vaultkeeplib.h"

struct VKTreeItem;

namespace vk::ui {

// ---- Messages -------------------------------------------------------------
enum : uint32_t {
    kMsgDestroy = 0x0002,
    kMsgSize = 0x0005,
    kMsgSetText = 0x000C,
    kMsgClose = 0x0010,
    kMsgShowWindow = 0x0018,
    kMsgNotify = 0x004E,     // lparam: const Notify*
    kMsgHelp = 0x0053,       // F1; lparam: control id
    kMsgKeyDown = 0x0100,    // wparam: key code
    kMsgSysChar = 0x0106,    // Alt+letter; wparam: the character
    kMsgInitDialog = 0x0110, // lparam: the creation parameter; return non-zero for default focus
    kMsgCommand = 0x0111,    // wparam: (notification << 16) | control id; lparam: control window
    kMsgTimer = 0x0113,
    kMsgLButtonDown = 0x0201,
    kMsgUser = 0x0400,
};

// Command notifications (high word of kMsgCommand's wparam).
enum : uint32_t { kBnClicked = 0, kEnChange = 0x0300 };

// Standard dialog and box results / button ids.
enum : int32_t {
    kIdOk = 1,
    kIdCancel = 2,
    kIdAbort = 3,
    kIdRetry = 4,
    kIdIgnore = 5,
    kIdYes = 6,
    kIdNo = 7,
};

// Message box flags (subset of the classic values).
enum : uint32_t {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbAbortRetryIgnore = 0x2,
    kMbYesNoCancel = 0x3,
    kMbYesNo = 0x4,
    kMbRetryCancel = 0x5,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
    kMbDefButton2 = 0x100,
    kMbDefButton3 = 0x200,
    kMbSystemModal = 0x1000,
    kMbTaskModal = 0x2000,
};

// ---- Controls and templates -----------------------------------------------
enum class Kind : uint8_t {
    Window,      // top-level frame window
    Dialog,      // dialog (modal, modeless or child page)
    Static,
    Edit,
    Button,      // push button
    CheckBox,
    Radio,
    GroupBox,
    Tab,
    Progress,
    TreeView,
    ListBox,
};

// Style bits of controls and dialogs.
enum : uint32_t {
    kStyleVisible = 0x1,
    kStyleDisabled = 0x2,
    kStyleDefault = 0x4,      // default push button
    kStyleMultiline = 0x8,
    kStyleReadOnly = 0x10,
    kStyleTriState = 0x20,
    kStyleNoCloseBox = 0x40,  // dialog without a close box
    kStyleChild = 0x80,       // dialog created as a child page
    kStyleCheckBoxes = 0x100, // tree view with state images
    kStyleCentered = 0x200,   // dialog centred on its owner when created
    kStyleControlParent = 0x400,
    kStyleResizable = 0x800,
    kStyleRichText = 0x1000,  // multi-line read-only edit that shows its text as HTML
};

// Positions and sizes in templates are dialog units; the model keeps pixels
// (one dialog unit = kDluX/4 horizontally and kDluY/8 vertically).
inline constexpr int kDluX = 6;
inline constexpr int kDluY = 13;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

struct ControlTemplate {
    Kind kind;
    int32_t id;
    std::u16string text;
    Rect rect; // dialog units
    uint32_t style = kStyleVisible;
};

struct DialogTemplate {
    int32_t id;
    std::u16string title;
    Rect rect; // dialog units
    uint32_t style = kStyleVisible;
    std::vector<ControlTemplate> controls;
};

// ---- Windows --------------------------------------------------------------
using Proc = intptr_t (*)(VKHWND window, uint32_t msg, uintptr_t wparam, intptr_t lparam);

// Notification record passed with kMsgNotify.
struct Notify {
    VKHWND from = nullptr;
    int32_t id = 0;
    uint32_t code = 0;
    VKTreeItem *item = nullptr; // tree notifications
    intptr_t param = 0;         // e.g. the parameter of a deleted tree item
    int32_t x = 0, y = 0;       // click position in the control, pixels
    VKTreeItem *oldItem = nullptr; // kTvnSelChanged: the item selected before
    int32_t action = 0;         // kTvnSelChanged / kTvnItemExpanded: cause or expand code
};
enum : uint32_t {
    kNmClick = 0xFFFFFFFE,
    kNmDblClick = 0xFFFFFFFD,
    kNmRightClick = 0xFFFFFFFB,
    kTvnSelChanged = 0xFFFFFE6E,
    kTvnDeleteItem = 0xFFFFFE6D,
    kTvnItemExpanded = 0xFFFFFE6A,
    kTcnSelChange = 0xFFFFFDD9,
};

VKHWND CreateWindowOf(Kind kind, VKHWND parent, int32_t id, std::u16string_view text, Rect pixels,
                      uint32_t style, Proc proc = nullptr);
void DestroyWindow(VKHWND w);
bool IsWindow(VKHWND w);

// Dialogs from a module's templates. DialogBox runs modally until EndDialog
// and returns its result (-1 when the template is missing). CreateDialog makes
// a modeless (or, with parent and kStyleChild, a child) dialog.
intptr_t DialogBox(VKHMODULE module, int32_t templateId, VKHWND owner, Proc proc, intptr_t param);
VKHWND CreateDialog(VKHMODULE module, int32_t templateId, VKHWND parent, Proc proc, intptr_t param);
void EndDialog(VKHWND dialog, intptr_t result);
const DialogTemplate *FindTemplate(VKHMODULE module, int32_t templateId);

intptr_t SendMessage(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam);
void PostMessage(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam);
void PostQuitMessage(int exitCode);
// Delivers pending posted messages and lets the backend process its input.
// Returns false once a quit message was posted.
bool PumpMessages();
// Runs until PostQuitMessage; returns its exit code.
int RunMessageLoop();

VKHWND GetDlgItem(VKHWND dialog, int32_t id);
int32_t GetDlgCtrlID(VKHWND w);
VKHWND GetParent(VKHWND w); // a child window's parent; for a top-level window its owner
VKHWND GetOwner(VKHWND w);
Kind GetKind(VKHWND w);
std::vector<VKHWND> Children(VKHWND w); // null: the top-level windows

void SetWindowText(VKHWND w, std::u16string_view text);
std::u16string GetWindowText(VKHWND w);
void SetDlgItemText(VKHWND dialog, int32_t id, std::u16string_view text);
std::u16string GetDlgItemText(VKHWND dialog, int32_t id);

void ShowWindow(VKHWND w, bool show);
bool IsVisible(VKHWND w);
void EnableWindow(VKHWND w, bool enable);
bool IsEnabled(VKHWND w);
void SetFocus(VKHWND w);
VKHWND GetFocus();

Rect GetWindowRect(VKHWND w); // screen pixels
void MoveWindow(VKHWND w, Rect screenPixels, bool repaint);
Rect WorkArea(); // the area a maximised window may use

// Check boxes and radio buttons: 0 unchecked, 1 checked, 2 indeterminate.
void CheckDlgButton(VKHWND dialog, int32_t id, int state);
int IsDlgButtonChecked(VKHWND dialog, int32_t id);

// Progress bars.
void ProgressSetRange(VKHWND bar, int lo, int hi);
void ProgressSetPos(VKHWND bar, int pos);
int ProgressGetPos(VKHWND bar);

// Tab controls.
int TabInsertItem(VKHWND tab, int index, std::u16string_view text);
int TabGetCurSel(VKHWND tab);
void TabSetCurSel(VKHWND tab, int index);
std::u16string TabGetItemText(VKHWND tab, int index);

// Per-window data for procedures.
void SetUserData(VKHWND w, intptr_t data);
intptr_t GetUserData(VKHWND w);

// Timers: kMsgTimer is posted to w every `ms` milliseconds while pumping.
void SetTimer(VKHWND w, uintptr_t id, unsigned ms);
void KillTimer(VKHWND w, uintptr_t id);

// ---- Boxes and common dialogs ----------------------------------------------
int MessageBox(VKHWND owner, std::u16string_view text, std::u16string_view caption, uint32_t flags);

struct FileDialogRequest {
    VKHWND owner = nullptr;
    bool save = false;
    std::u16string title;
    std::u16string filter;      // "desc\0pattern\0...\0\0" as BuildOFNFilter makes it
    std::u16string initialDir;
    std::u16string file;        // in: proposed name; out: chosen full path
    std::u16string defaultExt;  // without dot
    bool overwritePrompt = false;
    bool fileMustExist = false;
};
// true when the user chose a file (request.file holds its path).
bool FileDialog(FileDialogRequest &request);

// Wait cursor: nested; the cursor shows busy while the count is above 0.
void BeginWaitCursor();
void EndWaitCursor();
int WaitCursorDepth();

// Opens an HTML help file at a topic (anchor) in the desktop's browser. When
// no browser can be started and windows are shown, the manual opens in the
// program's own text window instead (ShowTextWindow, rendered as HTML). True
// when the help is shown either way.
bool OpenHelp(std::u16string_view htmlPath, std::u16string_view topic);

// The program's own text window: a resizable top-level window with a
// read-only multi-line edit (control kTextWindowEdit) that fills it, showing
// `text` as plain text or, with `html`, rendered as HTML. It lives until the
// user closes it. Returns the window.
inline constexpr int32_t kTextWindowEdit = 100;
VKHWND ShowTextWindow(std::u16string_view title, std::u16string_view text, bool html);

// ---- Backends ---------------------------------------------------------------
class Backend {
public:
    virtual ~Backend() = default;
    virtual const char *Name() const = 0;
    virtual bool HasDisplay() const = 0;
    // Runs a modal dialog until EndDialog was called on it.
    virtual void RunModal(VKHWND dialog) = 0;
    virtual int MessageBox(VKHWND owner, std::u16string_view text, std::u16string_view caption, uint32_t flags) = 0;
    virtual bool FileDialog(FileDialogRequest &request) = 0;
    // Processes pending input of the backend (no-op when headless).
    virtual void ProcessInput() = 0;
    // Waits for input or a timer when RunMessageLoop has nothing to do.
    virtual void WaitForInput(int timeoutMs) = 0;
    // Model change notifications, for renderers.
    virtual void WindowCreated(VKHWND) {}
    virtual void WindowChanged(VKHWND) {}
    virtual void WindowDestroyed(VKHWND) {}
    virtual void CursorChanged(int /*waitDepth*/) {}
    virtual bool OpenUrl(const std::string & /*url*/) { return false; }
    // The width in pixels a push button needs to show `text` whole (with its
    // '&' mnemonic marks), 0 when the backend does not measure text.
    virtual int ButtonTextWidth(std::u16string_view /*text*/) { return 0; }
};

// The backend in use; headless until another one is installed.
Backend &CurrentBackend();
void InstallBackend(std::unique_ptr<Backend> backend);
bool HasDisplay();

// ---- Headless scripted answers ---------------------------------------------
// Each modal dialog, message box or file dialog shown on the headless backend
// takes the first queued answer whose target matches it; with none, a box
// takes its default button, a dialog a click on its default button (or OK),
// a file dialog is cancelled (Open) or accepts its proposed name (Save).
struct Answer {
    enum class Target { Any, Box, Dialog, File } target = Target::Any;
    int32_t dialogId = 0;       // Dialog: template id, 0 = any
    std::u16string match;       // Box: substring of text or caption ("" = any)
    int32_t button = kIdOk;     // Box: result; Dialog: control id to click
    std::u16string path;        // File: chosen path ("" = cancel)
    // Dialog: controls to set before the click: id, text / check state.
    std::vector<std::pair<int32_t, std::u16string>> texts;
    std::vector<std::pair<int32_t, int>> checks;
};
void QueueAnswer(Answer answer);
// Parses answers from text, e.g. "box:Yes; dialog 113:8162; file:/tmp/a.vkb;
// box(Terminate):No". Used by tests and by the VAULTKEEP_ANSWERS environment
// variable, which the headless backend reads at start.
//
// Grammar (blanks around entries, names and numbers are ignored):
//   script  := entry { ';' entry }            empty entries are skipped
//   entry   := answer [ '*' count ]           count: the answer queued count times
//   answer  := 'box' [ '(' match ')' ] ':' button
//            | 'dialog' [ id ] ':' button { '{' set '}' }
//            | 'file' ':' path                 empty path: the dialog is cancelled
//            | 'any' ':' button                 a box result / dialog click / file
//                                               cancel (Cancel) for whatever comes
//   button  := Ok | Cancel | Yes | No | Abort | Retry | Ignore (any case) | number
//   set     := 'check' id '=' (0|1|2) | 'text' id '=' chars
// match, path and chars run to their closing ')', ';' or '}'; a backslash
// before one of ; ) } { \ * takes that character literally (other backslashes
// stay as they are). A box answer matches a box whose text or caption holds
// `match` (case ignored); a dialog answer matches the dialog of template `id`
// (none: any dialog) and sets the controls before clicking control `button`.
// On a syntax error nothing is queued, false is returned and *error says
// where.
bool QueueAnswers(std::u16string_view script, std::u16string *error = nullptr);
void ClearAnswers();
size_t PendingAnswers();

// A record of what the headless backend showed: for tests.
struct Shown {
    enum class What { Box, Dialog, File } what;
    int32_t dialogId = 0;
    std::u16string text;
    std::u16string caption;
    uint32_t flags = 0;
    intptr_t result = 0;
};
const std::vector<Shown> &ShownLog();
void ClearShownLog();

// ---- Additions to the model --------------------------------------------------

// User input entering the model (backends, scripted answers and tests).
// ClickButton clicks control `id` of `dialog`: an auto check box toggles
// (three-state: unchecked, checked, indeterminate, unchecked), a radio button
// becomes checked and its neighbouring radio buttons unchecked, then the parent
// gets kMsgCommand (kBnClicked << 16 | id, control). A missing kIdOk or
// kIdCancel is still sent (as the Enter and Escape keys do); a disabled or
// hidden control, or any other missing one, is not clicked: false.
bool ClickButton(VKHWND dialog, int32_t id);
// The id of the dialog's default push button (kStyleDefault), else kIdOk.
int32_t DefaultButtonId(VKHWND dialog);
// Makes control `id` the default push button (the style moves to it).
void SetDefaultButton(VKHWND dialog, int32_t id);
// Sets an edit control's text as typing would: the parent gets kEnChange.
bool EnterText(VKHWND dialog, int32_t id, std::u16string_view text);
// A tab click: selects the tab and notifies the parent (kTcnSelChange).
void TabClick(VKHWND tab, int index);

// Default processing of messages. For windows: kMsgClose destroys a frame
// window and asks a dialog to cancel (kMsgCommand kIdCancel unless its Cancel
// button is disabled); kMsgSetText sets the text (lparam: const char16_t*);
// kMsgHelp goes up to the parent. A dialog procedure returns 0 for a message
// it leaves to this processing; for other windows the procedure's result is
// final and it calls DefWindowProc itself.
intptr_t DefWindowProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam);

// Keyboard and mouse input from a backend: the message filter sees it first
// (and may consume it); otherwise the target gets it, and dialogs handle
// Enter (default button), Escape (Cancel), F1 (kMsgHelp, lparam: the id of
// the control with the input), Alt+letter (the button whose text marks the
// letter with '&' is clicked, a tab marking it selected) and Space on a tree
// view with check boxes (TreeKeyToggle).
enum : uint32_t { kKeyReturn = 0x0D, kKeyEscape = 0x1B, kKeySpace = 0x20, kKeyF1 = 0x70 };
using MessageFilter = bool (*)(VKHWND target, uint32_t msg, uintptr_t wparam, intptr_t lparam);
// Installs the filter for the thread's dialog and menu input; returns the one
// it replaces, which a filter calls to pass a message on.
MessageFilter SetMessageFilter(MessageFilter filter);
void DeliverInput(VKHWND target, uint32_t msg, uintptr_t wparam, intptr_t lparam);

// System sizes in pixels. The model has no window frames: a window's client
// area is its whole rectangle, so these only enter layout formulas.
enum class Metric : uint8_t { CaptionHeight, BorderWidth, BorderHeight, ScreenWidth, ScreenHeight };
int SystemMetric(Metric m);
void SetWorkArea(Rect area); // backends with a real screen
Rect GetClientRect(VKHWND w); // {0, 0, width, height}

// Dialog state, for backends running a modal loop.
bool IsDialogEnded(VKHWND dialog);
int32_t GetTemplateId(VKHWND dialog);

int TabGetItemCount(VKHWND tab);
void TabSetItemSize(VKHWND tab, int width, int height);
Rect TabGetItemSize(VKHWND tab);
// Moves the focus to a tab; in a tab control without buttons that selects it
// and notifies the parent (kTcnSelChange). Out-of-range indexes do nothing.
void TabSetCurFocus(VKHWND tab, int index);
// The first tab whose text marks `letter` with '&' (case ignored), else -1.
int TabFindMnemonic(VKHWND tab, char16_t letter);
// Whether `text` marks `letter` with '&' ("&&" is a plain '&'), case ignored.
bool MnemonicMatches(std::u16string_view text, char16_t letter);
void ProgressGetRange(VKHWND bar, int &lo, int &hi);

// Opens a URL in the desktop's browser through the backend; headless writes it
// to standard error and returns false. A display backend uses the launcher
// set here (the process module installs one that starts the browser).
bool OpenUrl(const std::string &url);
using UrlLauncher = bool (*)(const std::string &url);
void SetUrlLauncher(UrlLauncher launcher);
UrlLauncher GetUrlLauncher();

// The clock of timers, in milliseconds (default: a monotonic clock); tests may
// install their own. Null restores the default.
using Clock = int64_t (*)();
void SetClock(Clock clock);
int64_t NowMs();

// Destroys every window and clears posted messages, quit state, timers, focus,
// wait cursor, message filter, work area, answers and the shown log: for tests.
void ResetUiState();

} // namespace vk::ui
