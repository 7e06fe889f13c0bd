// A form's window: owned by the application window, of the form's border style, painting its
// images straight from their bitmaps' pixel memory.
#include <windows.h>

#include "forms/backend.h"
#include "forms/components.h"
#include "forms/form.h"
#include "forms/graphics.h"
#include "forms/win32/win32_common.h"

namespace backend {
namespace {

struct WindowStyle {
  DWORD style;
  DWORD ex_style;
};

WindowStyle StyleOf(TBorderStyle border) {
  switch (border) {
    case bsNone:
      return {WS_POPUP, 0};
    case bsSingle:
      return {WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER, 0};
    case bsDialog:
      return {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_EX_DLGMODALFRAME};
    case bsToolWindow:
      return {WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW};
    case bsSizeToolWin:
      return {WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, WS_EX_TOOLWINDOW};
    case bsSizeable:
      break;
  }
  return {WS_OVERLAPPEDWINDOW, 0};
}

TForm* FormOf(HWND window) {
  return reinterpret_cast<TForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The bitmap's rows as stored, to the image's top-left corner, cut to the image's bounds: the
// picture is neither stretched nor centred.
void PaintImage(HDC dc, const TImage& image, const TBitmap& bitmap) {
  const std::span<const std::uint8_t> info = bitmap.InfoHeader();
  const std::span<const std::uint8_t> pixels = bitmap.PixelMemory();
  if (info.size() < sizeof(BITMAPINFOHEADER)) return;
  // Compressed rows have no length GDI could be held to; only plain rows are drawn.
  if (bitmap.Compressed()) return;
  if (static_cast<std::uint64_t>(pixels.size()) <
      static_cast<std::uint64_t>(bitmap.Stride()) * static_cast<std::uint64_t>(bitmap.Height()))
    return;

  const int saved = SaveDC(dc);
  IntersectClipRect(dc, image.Left, image.Top, image.Left + image.Width, image.Top + image.Height);
  SetDIBitsToDevice(dc, image.Left, image.Top, bitmap.Width(), bitmap.Height(), 0, 0, 0,
                    bitmap.Height(), pixels.data(),
                    reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
  RestoreDC(dc, saved);
}

void Paint(HWND window, const TForm& form) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  struct EndPaintAtExit {
    HWND window;
    PAINTSTRUCT* paint;
    ~EndPaintAtExit() { EndPaint(window, paint); }
  } end_paint{window, &paint};
  for (const auto& component : form.Components()) {
    const auto* image = dynamic_cast<const TImage*>(component.get());
    if (image == nullptr) continue;
    const auto* bitmap = dynamic_cast<const TBitmap*>(image->Picture.Graphic());
    if (bitmap == nullptr || bitmap->Empty()) continue;
    PaintImage(dc, *image, *bitmap);
  }
}

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  TForm* form = FormOf(window);
  if (form == nullptr) return DefWindowProcA(window, message, wparam, lparam);
  return win32::Guarded(
      [&]() -> LRESULT {
        switch (message) {
          case WM_PAINT:
            Paint(window, *form);
            return 0;
          case WM_CLOSE:
            form->Close();
            return 0;
          case WM_NCDESTROY:
            // The form may outlive its window; later messages must not reach it.
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            break;
        }
        return DefWindowProcA(window, message, wparam, lparam);
      },
      0);
}

// One window class per form class, named after it, as the platform does.
void RegisterFormClass(HINSTANCE instance, const std::string& name) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(instance, name.c_str(), &existing)) return;

  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = FormWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  // The form's colour, clBtnFace: a system colour brush is its index plus one.
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = name.c_str();
  RegisterClassExA(&window_class);
}

}  // namespace

WindowHandle CreateFormWindow(TForm& form, WindowHandle owner) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterFormClass(instance, form.ClassName());
  const WindowStyle style = StyleOf(form.BorderStyle);
  // A top-level window's parent is its owner: owned by the application window, the form has no
  // taskbar button of its own.
  return CreateWindowExA(style.ex_style, form.ClassName().c_str(), form.Caption.c_str(),
                         style.style | WS_CLIPCHILDREN, form.Left, form.Top, form.Width(),
                         form.Height(), static_cast<HWND>(owner), nullptr, instance, &form);
}

void SetWindowBounds(WindowHandle window, int left, int top, int width, int height) {
  SetWindowPos(static_cast<HWND>(window), nullptr, left, top, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowFormWindow(WindowHandle window, int show_command) {
  ShowWindow(static_cast<HWND>(window), show_command);
  UpdateWindow(static_cast<HWND>(window));
}

void HideWindow(WindowHandle window) {
  ShowWindow(static_cast<HWND>(window), SW_HIDE);
}

void DestroyWindow(WindowHandle window) {
  ::DestroyWindow(static_cast<HWND>(window));
}

}  // namespace backend
