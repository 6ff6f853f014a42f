// A small program that shows a text form as a modal window through the
// program's user interface, for looking at forms and driving them with
// the keyboard under Wine:
//   form_probe FORM.txt
// prints "ModalResult=N" once the form's modal loop ends and exits 0, or
// 1 with a message when the form cannot be read. An image named "Theme"
// gets a generated picture (a blue-to-white ramp of its size).
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/InstallDefinition.h"
#include "objects/FormLoader.h"
#include "objects/TextForm.h"
#include "platform/Canvas.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"

using namespace brim;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: form_probe FORM.txt\n");
    return 1;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) {
    std::fprintf(stderr, "form_probe: cannot read the form %s\n", argv[1]);
    return 1;
  }
  try {
    RegisterStreamClasses();
    Application().Initialize();
    TComponent* root = CreateForm(ParseTextForm(text.str()), {});
    auto* form = dynamic_cast<TCustomForm*>(root);
    if (!form) {
      std::fprintf(stderr, "form_probe: %s holds no form\n", argv[1]);
      return 1;
    }
    if (auto* image = dynamic_cast<TImage*>(form->FindComponent("Theme"))) {
      int32_t w = image->Width, h = image->Height;
      std::vector<TCanvasColor> pixels;
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
          auto shade = static_cast<uint8_t>(255 * y / (h > 1 ? h - 1 : 1));
          pixels.push_back(CanvasRgb(shade, shade, 255));
        }
      image->Picture.Bitmap().LoadFromBytes(BitmapFileOfPixels(w, h, pixels));
    }
    TModalResult result = form->ShowModal();
    std::printf("ModalResult=%d\n", result);
    std::fflush(stdout);
    form->Free();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "form_probe: %s\n", e.what());
    return 1;
  }
  return 0;
}
