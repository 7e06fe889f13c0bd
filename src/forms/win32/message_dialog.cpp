// The message dialog: a real modal dialog built from a template made in memory, so that Esc and
// the close box can each give their own result. The template only names the controls; the texts
// are set and the layout is made in pixels when the dialog starts.
//
// The texts are Windows-1250 bytes. They are turned into UTF-16 from that code page and shown
// through the wide functions, so that they read right whatever the system's ANSI code page is.
#include "forms/win32/message_dialog.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "forms/backend.h"
#include "forms/dialogs.h"
#include "forms/win32/win32_common.h"

namespace backend {
namespace {

using win32::MessageDialogData;

// Sizes in dialog units, turned into pixels of the dialog's font.
constexpr int kMarginDlu = 8;
constexpr int kIconTextGapDlu = 8;
constexpr int kTextButtonsGapDlu = 10;
constexpr int kButtonGapDlu = 4;
constexpr int kButtonWidthDlu = 50;
constexpr int kButtonHeightDlu = 14;
constexpr int kButtonLabelPaddingDlu = 8;  // each side of a label wider than the button

// Built word by word: a dialog template is a run of 16-bit words whose controls start on a
// 32-bit boundary.
class DialogTemplate {
 public:
  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Short(int value) { Word(static_cast<WORD>(static_cast<short>(value))); }
  void String(const wchar_t* text) {
    for (; *text != L'\0'; ++text) Word(static_cast<WORD>(*text));
    Word(0);
  }
  void AlignDword() {
    if (words_.size() % 2 != 0) Word(0);
  }
  // One control. Its text stays empty: it is set when the dialog starts.
  void Control(DWORD style, int id, WORD class_atom) {
    AlignDword();
    Dword(style | WS_CHILD | WS_VISIBLE);  // style
    Dword(0);                              // extended style
    Short(0);                              // x, y, cx, cy in dialog units: laid out at start
    Short(0);
    Short(0);
    Short(0);
    Word(static_cast<WORD>(id));  // control ID
    Word(0xFFFF);                 // the class, as the atom of a predefined one
    Word(class_atom);
    String(L"");  // text
    Word(0);      // no creation data
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  std::vector<WORD> words_;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kStaticAtom = 0x0082;

DialogTemplate MakeTemplate(const TMessageDialogForm& form) {
  DialogTemplate dialog;
  // DLGTEMPLATE
  dialog.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);  // style
  dialog.Dword(0);                                                                // ext. style
  dialog.Word(static_cast<WORD>(2 + form.Buttons.size()));  // number of controls
  dialog.Short(0);                                          // x, y, cx, cy: laid out at start
  dialog.Short(0);
  dialog.Short(0);
  dialog.Short(0);
  dialog.Word(0);                  // no menu
  dialog.Word(0);                  // the predefined dialog class
  dialog.String(L"");              // caption, set at start
  dialog.Word(8);                  // DS_SETFONT: point size
  dialog.String(L"MS Shell Dlg");  // DS_SETFONT: typeface

  // The icon, set at start from the system's icons.
  dialog.Control(SS_ICON, win32::kMessageDialogIconId, kStaticAtom);
  // The text, shown as it is: an '&' in it is no access key.
  dialog.Control(SS_LEFT | SS_NOPREFIX, win32::kMessageDialogTextId, kStaticAtom);
  for (std::size_t i = 0; i < form.Buttons.size(); ++i) {
    const bool is_default = static_cast<int>(i) == form.DefaultButton;
    dialog.Control(WS_TABSTOP | (is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                   form.Buttons[i].Result, kButtonAtom);
  }
  return dialog;
}

// The code page the dialog texts are stored in.
constexpr UINT kTextCodePage = 1250;

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      MultiByteToWideChar(kTextCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  // 0 is failure: the code page is missing, which no Windows is.
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(kTextCodePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                      length);
  return wide;
}

// The form's texts in UTF-16, converted once for showing and for measuring.
struct WideTexts {
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> labels;  // as the form's buttons, left to right

  explicit WideTexts(const TMessageDialogForm& form)
      : caption(Wide(form.Caption)), text(Wide(form.Text)) {
    for (const TDialogButton& each : form.Buttons) labels.push_back(Wide(each.Label));
  }
};

// A device context of the dialog with the dialog's font selected, for measuring text.
class DialogDc {
 public:
  explicit DialogDc(HWND dialog) : dialog_(dialog), dc_(GetDC(dialog)) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    old_font_ = font != nullptr ? SelectObject(dc_, font) : nullptr;
  }
  ~DialogDc() {
    if (old_font_ != nullptr) SelectObject(dc_, old_font_);
    ReleaseDC(dialog_, dc_);
  }
  DialogDc(const DialogDc&) = delete;
  DialogDc& operator=(const DialogDc&) = delete;

  // The size `text` takes word-wrapped at `max_width`, drawn as the text static draws it.
  SIZE WrappedText(const std::wstring& text, int max_width) const {
    RECT bounds{0, 0, max_width, 0};
    DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT);
    // A word longer than the line is not broken; the static then cuts it at the limit.
    return {std::min<LONG>(bounds.right - bounds.left, max_width), bounds.bottom - bounds.top};
  }
  int LabelWidth(const std::wstring& label) const {
    RECT bounds{0, 0, 0, 0};
    DrawTextW(dc_, label.c_str(), static_cast<int>(label.size()), &bounds,
              DT_CALCRECT | DT_SINGLELINE);
    return bounds.right - bounds.left;
  }

 private:
  HWND dialog_;
  HDC dc_;
  HGDIOBJ old_font_;
};

SIZE DialogUnits(HWND dialog, int x, int y) {
  RECT units{0, 0, x, y};
  MapDialogRect(dialog, &units);
  return {units.right, units.bottom};
}

// Icon at the left, the text right of it (no wider than half the screen), the buttons in one row
// centred under both; the whole dialog centred on the screen.
void LayOut(HWND dialog, const TMessageDialogForm& form, const WideTexts& texts) {
  const SIZE margin = DialogUnits(dialog, kMarginDlu, kMarginDlu);
  const SIZE icon_gap = DialogUnits(dialog, kIconTextGapDlu, kTextButtonsGapDlu);
  const SIZE button = DialogUnits(dialog, kButtonWidthDlu, kButtonHeightDlu);
  const SIZE padding = DialogUnits(dialog, kButtonLabelPaddingDlu, 0);
  const int button_gap = DialogUnits(dialog, kButtonGapDlu, 0).cx;
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);
  const int icon_width = GetSystemMetrics(SM_CXICON);
  const int icon_height = GetSystemMetrics(SM_CYICON);

  const DialogDc dc(dialog);
  const SIZE text = dc.WrappedText(texts.text, screen_width / 2);
  std::vector<int> button_widths;
  int buttons_width = 0;
  for (const std::wstring& label : texts.labels) {
    button_widths.push_back(std::max<int>(button.cx, dc.LabelWidth(label) + 2 * padding.cx));
    buttons_width += button_widths.back() + (button_widths.size() > 1 ? button_gap : 0);
  }

  const int body_height = std::max<int>(icon_height, text.cy);
  const int content_width = std::max<int>(icon_width + icon_gap.cx + text.cx, buttons_width);
  const int client_width = margin.cx + content_width + margin.cx;
  const int buttons_top = margin.cy + body_height + icon_gap.cy;
  const int client_height = buttons_top + button.cy + margin.cy;

  MoveWindow(GetDlgItem(dialog, win32::kMessageDialogIconId), margin.cx, margin.cy, icon_width,
             icon_height, FALSE);
  // A text of one or two lines sits level with the icon's middle.
  MoveWindow(GetDlgItem(dialog, win32::kMessageDialogTextId), margin.cx + icon_width + icon_gap.cx,
             margin.cy + (body_height - text.cy) / 2, text.cx, text.cy, FALSE);
  int left = (client_width - buttons_width) / 2;
  for (std::size_t i = 0; i < form.Buttons.size(); ++i) {
    MoveWindow(GetDlgItem(dialog, form.Buttons[i].Result), left, buttons_top, button_widths[i],
               button.cy, FALSE);
    left += button_widths[i] + button_gap;
  }

  RECT frame{0, 0, client_width, client_height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(dialog, nullptr, (screen_width - width) / 2, (screen_height - height) / 2, width,
               height, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR OnInitDialog(HWND dialog, MessageDialogData& data) {
  const TMessageDialogForm& form = *data.form;
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&data));
  const WideTexts texts(form);
  SetWindowTextW(dialog, texts.caption.c_str());
  SetDlgItemTextW(dialog, win32::kMessageDialogTextId, texts.text.c_str());
  for (std::size_t i = 0; i < form.Buttons.size(); ++i)
    SetDlgItemTextW(dialog, form.Buttons[i].Result, texts.labels[i].c_str());
  SendDlgItemMessageW(dialog, win32::kMessageDialogIconId, STM_SETICON,
                      reinterpret_cast<WPARAM>(data.icon), 0);
  LayOut(dialog, form, texts);

  if (form.DefaultButton >= 0 && form.DefaultButton < static_cast<int>(form.Buttons.size())) {
    const int default_id = form.Buttons[form.DefaultButton].Result;
    SendMessageW(dialog, DM_SETDEFID, default_id, 0);
    SetFocus(GetDlgItem(dialog, default_id));
  }
  // FALSE: the focus has been set here.
  return FALSE;
}

void End(HWND dialog, MessageDialogData& data, int result) {
  data.result = result;
  EndDialog(dialog, result);
}

INT_PTR OnCommand(HWND dialog, MessageDialogData& data, int id) {
  // IDCANCEL comes from Esc (through IsDialogMessage); no button has that ID.
  if (id == IDCANCEL) {
    End(dialog, data, data.form->EscapeResult);
    return TRUE;
  }
  for (const TDialogButton& each : data.form->Buttons) {
    if (each.Result == id) {
      End(dialog, data, id);
      return TRUE;
    }
  }
  return FALSE;
}

INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    return win32::Guarded(
        [&]() -> LRESULT {
          return OnInitDialog(dialog, *reinterpret_cast<MessageDialogData*>(lparam));
        },
        FALSE);
  }
  auto* data = reinterpret_cast<MessageDialogData*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (data == nullptr) return FALSE;
  return win32::Guarded(
      [&]() -> LRESULT {
        switch (message) {
          case WM_COMMAND:
            return OnCommand(dialog, *data, LOWORD(wparam));
          case WM_CLOSE:
            // The close box and Alt+F4 (SC_CLOSE arrives here as WM_CLOSE). Left to the dialog
            // manager it would become IDCANCEL, the Esc answer.
            End(dialog, *data, mrCancel);
            return TRUE;
        }
        return FALSE;
      },
      FALSE);
}

}  // namespace

int ShowMessageDialog(const TMessageDialogForm& form, WindowHandle owner) {
  const HWND owner_window = static_cast<HWND>(owner);
  const DialogTemplate dialog = MakeTemplate(form);
  MessageDialogData data{&form, LoadIconA(nullptr, MAKEINTRESOURCEA(form.Icon)), mrNone};

  const win32::TaskbarButtonScope taskbar_button(owner_window);
  const win32::DisabledTaskWindows modal(owner_window);
  const INT_PTR result =
      DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner_window,
                              MessageDialogProc, reinterpret_cast<LPARAM>(&data));
  // -1 when the dialog could not be made, 0 for an owner that is no window: no answer given.
  if (result <= 0) return mrCancel;
  return static_cast<int>(result);
}

}  // namespace backend
