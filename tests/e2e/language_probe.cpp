// Shows one page with texts of several languages, each in the code page of
// its language and a font of that language's character set and face (as
// the translator leaves a translated page), for checking under Wine that
// every script shows:
//   language_probe
// Once the page is on the screen it prints, for each language, "shown
// LANGUAGE" when the label's window holds the text as UTF-16
// (GetWindowTextW), else "wrong LANGUAGE", then "face LANGUAGE: NAME" with
// the face its font was made with, and the same for the page's caption and
// buttons. Enter or Escape ends the page; it prints "ModalResult=N", then
// shows a Japanese message box and prints "box answered N" once it is closed.
// windows.h without the macros that would rename the platform's methods.
#include "platform/win32/Win32Api.h"

#include <cstdio>
#include <string>

#include "platform/CodePages.h"
#include "platform/win32/Win32Windows.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"

using namespace brim;

namespace {

struct TLanguageText {
  const char* Language;
  int32_t Charset;
  const char* Bytes;        // in the language's code page
  const char16_t* Wide;     // what the window must hold
};

const TLanguageText kTexts[] = {
    {"Japanese", 128, "\x82\xE6\x82\xA4\x82\xB1\x82\xBB\x81\x42\x83Z\x83\x62\x83g\x83\x41\x83\x62\x83v\x82\xF0\x91\xB1\x82\xAF\x82\xE9\x82\xC9\x82\xCD\x81m\x8E\x9F\x82\xD6\x81n\x82\xF0\x83N\x83\x8A\x83\x62\x83N\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42",
     u"\u3088\u3046\u3053\u305D\u3002\u30BB\u30C3\u30C8\u30A2\u30C3\u30D7\u3092\u7D9A\u3051\u308B\u306B\u306F\uFF3B\u6B21\u3078\uFF3D\u3092\u30AF\u30EA\u30C3\u30AF\u3057\u3066\u304F\u3060\u3055\u3044\u3002"},
    {"Chinese", 134, "\xBB\xB6\xD3\xAD\xCA\xB9\xD3\xC3\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2\xA1\xA3\xB5\xA5\xBB\xF7\xA1\xB0\xCF\xC2\xD2\xBB\xB2\xBD\xA1\xB1\xBC\xCC\xD0\xF8\xB0\xB2\xD7\xB0\xA1\xA3",
     u"\u6B22\u8FCE\u4F7F\u7528\u5B89\u88C5\u7A0B\u5E8F\u3002\u5355\u51FB\u201C\u4E0B\u4E00\u6B65\u201D\u7EE7\u7EED\u5B89\u88C5\u3002"},
    {"Russian", 204, "\xC4\xEE\xE1\xF0\xEE \xEF\xEE\xE6\xE0\xEB\xEE\xE2\xE0\xF2\xFC \xE2 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xF3 \xF3\xF1\xF2\xE0\xED\xEE\xE2\xEA\xE8.",
     u"\u0414\u043E\u0431\u0440\u043E \u043F\u043E\u0436\u0430\u043B\u043E\u0432\u0430\u0442\u044C \u0432 \u043F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0443 \u0443\u0441\u0442\u0430\u043D\u043E\u0432\u043A\u0438."},
    {"Greek", 161, "\xCA\xE1\xEB\xFE\xF2 \xEF\xF1\xDF\xF3\xE1\xF4\xE5 \xF3\xF4\xEF \xF0\xF1\xFC\xE3\xF1\xE1\xEC\xEC\xE1 \xE5\xE3\xEA\xE1\xF4\xDC\xF3\xF4\xE1\xF3\xE7\xF2.",
     u"\u039A\u03B1\u03BB\u03CE\u03C2 \u03BF\u03C1\u03AF\u03C3\u03B1\u03C4\u03B5 \u03C3\u03C4\u03BF \u03C0\u03C1\u03CC\u03B3\u03C1\u03B1\u03BC\u03BC\u03B1 \u03B5\u03B3\u03BA\u03B1\u03C4\u03AC\u03C3\u03C4\u03B1\u03C3\u03B7\u03C2."},
    {"German", 0, "Willkommen \x96 w\xE4hlen Sie das Zielverzeichnis.",
     u"Willkommen \u2013 w\u00E4hlen Sie das Zielverzeichnis."},
    {"Korean", 129, "\xBC\xB3\xC4\xA1 \xC7\xC1\xB7\xCE\xB1\xD7\xB7\xA5\xC0\xBB \xBD\xC3\xC0\xDB\xC7\xD5\xB4\xCF\xB4\xD9.",
     u"\uC124\uCE58 \uD504\uB85C\uADF8\uB7A8\uC744 \uC2DC\uC791\uD569\uB2C8\uB2E4."},
};

// The faces the translator gives these languages: the Japanese and Chinese
// ones as bytes in their code pages, which no machine here has.
const char* FaceOf(int32_t charset) {
  switch (charset) {
    case 128: return "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
    case 129: return "\xB9\xD9\xC5\xC1";
    case 134: return "\xB7\x73\xB2\xD3\xA9\xFA\xC5";
    case 0: return "MS Sans Serif";
    default: return "Arial";
  }
}

std::u16string WindowText(HWND window) {
  wchar_t text[512] = L"";
  int length = GetWindowTextW(window, text, 512);
  return std::u16string(text, text + (length > 0 ? length : 0));
}

std::string FaceOfWindow(HWND window) {
  auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0));
  LOGFONTW lf = {};
  if (!font || !GetObjectW(font, sizeof lf, &lf)) return "(none)";
  std::u16string face(lf.lfFaceName, lf.lfFaceName + lstrlenW(lf.lfFaceName));
  return Utf8FromWide(face);
}

// The child window of the page that holds text, or null.
HWND FindText(HWND page, const std::u16string& text) {
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (WindowText(child) == text) return child;
  return nullptr;
}

void Report(const char* what, HWND page, const std::u16string& wide) {
  HWND found = FindText(page, wide);
  std::printf("%s %s\n", found ? "shown" : "wrong", what);
  if (found) std::printf("face %s: %s\n", what, FaceOfWindow(found).c_str());
}

}  // namespace

int main() {
  try {
    Application().Initialize();
    auto* form = new TForm(nullptr);
    form->Caption = "\x83Z\x83\x62\x83g\x83\x41\x83\x62\x83v";
    form->Font().Name = FaceOf(128);
    form->Font().Charset = 128;
    form->FontChanged();
    form->SetClientWidth(560);
    form->SetClientHeight(330);
    form->BorderStyle = TFormBorderStyle::bsDialog;
    form->Position = TPosition::poScreenCenter;
    int32_t top = 16;
    for (const TLanguageText& t : kTexts) {
      auto* label = new TLabel(form);
      label->SetParent(form);
      label->SetBounds(16, top, 528, 36);
      label->Caption = t.Bytes;
      label->Font().Name = FaceOf(t.Charset);
      label->Font().Charset = t.Charset;
      label->Font().Height = -13;
      label->FontChanged();
      top += 42;
    }
    auto button = [&](const char* caption, int32_t left, bool isDefault, TModalResult result) {
      auto* b = new TButton(form);
      b->SetParent(form);
      b->SetBounds(left, 284, 120, 28);
      b->Caption = caption;
      b->Default = isDefault;
      b->Cancel = !isDefault;
      b->ModalResult = result;
    };
    button("\x8E\x9F\x82\xD6 >", 296, true, mrOk);
    button("\x83L\x83\x83\x83\x93\x83Z\x83\x8B", 424, false, mrCancel);
    bool reported = false;
    form->OnActivate.Handler = [&](TComponent*) {
      if (reported) return;
      reported = true;
      HWND page = Win32WindowParts(*form->Window())->Handle;
      for (const TLanguageText& t : kTexts) Report(t.Language, page, t.Wide);
      std::printf("%s caption\n", WindowText(page) == u"\u30BB\u30C3\u30C8\u30A2\u30C3\u30D7" ? "shown" : "wrong");
      Report("next-button", page, u"\u6B21\u3078 >");
      Report("cancel-button", page, u"\u30AD\u30E3\u30F3\u30BB\u30EB");
      std::fflush(stdout);
    };
    TModalResult result = form->ShowModal();
    std::printf("ModalResult=%d\n", result);
    std::fflush(stdout);
    form->Free();
    // A message box in the dialog language's code page.
    SetMessageCharset(128);
    int answer = PlatformWindows().MessageBox("\x83Z\x83\x62\x83g\x83\x41\x83\x62\x83v\x82\xF0\x8F\x49\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x81\x42",
                                              "\x83Z\x83\x62\x83g\x83\x41\x83\x62\x83v", boxOk | boxIconInformation);
    std::printf("box answered %d\n", answer);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "language_probe: %s\n", e.what());
    return 1;
  }
  return 0;
}
