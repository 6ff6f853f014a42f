// Graphics held by the definition: TBitmap (a complete BMP file kept as
// bytes, with its width and height), TIcon (an .ico file kept as bytes)
// and TPicture, which holds either. TFont describes a text font.
// Drawing belongs to the widget backends; these classes only carry data.
#pragma once

#include <memory>
#include <string>

#include "objects/TComponent.h"

namespace brim {

BRIM_EXCEPTION_CLASS(EInvalidGraphic, Exception);

class TGraphic : public TPersistent {
  BRIM_CLASS(TGraphic)

 public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The graphic's stream data, as the "Data" property carries it.
  virtual std::string WriteData() const = 0;
  virtual void ReadData(const std::string& data) = 0;
};

class TBitmap : public TGraphic {
  BRIM_CLASS(TBitmap)

 public:
  bool Empty() const override { return bmp_.empty(); }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // The complete BMP file.
  const std::string& Bytes() const { return bmp_; }
  // Takes a BMP file; raises EInvalidGraphic when it is not one.
  void LoadFromBytes(const std::string& bmp);
  void Clear();
  // The size the bitmap is shown at (a loaded bitmap may be resized for display).
  void SetSize(int width, int height);
  // Stream data: a 4-byte length and the BMP file.
  std::string WriteData() const override;
  void ReadData(const std::string& data) override;
  void Assign(const TPersistent& source) override;

 private:
  std::string bmp_;
  int width_ = 0, height_ = 0;
};

class TIcon : public TGraphic {
  BRIM_CLASS(TIcon)

 public:
  bool Empty() const override { return ico_.empty(); }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  const std::string& Bytes() const { return ico_; }
  void LoadFromBytes(const std::string& ico);
  // Stream data: the .ico file itself.
  std::string WriteData() const override { return ico_; }
  void ReadData(const std::string& data) override { LoadFromBytes(data); }
  void Assign(const TPersistent& source) override;

 private:
  std::string ico_;
  int width_ = 0, height_ = 0;
};

class TPicture : public TPersistent {
  BRIM_CLASS(TPicture)

 public:
  TPicture();
  ~TPicture() override;
  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> g) { graphic_ = std::move(g); }
  // The bitmap, created empty when the picture holds none.
  TBitmap& Bitmap();
  bool Empty() const { return !graphic_ || graphic_->Empty(); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  void Assign(const TPersistent& source) override;

 private:
  std::unique_ptr<TGraphic> graphic_;
};

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum class TFontPitch { fpDefault, fpVariable, fpFixed };
extern const TEnumInfo FontStyleInfo;
extern const TEnumInfo FontPitchInfo;

class TFont : public TPersistent {
  BRIM_CLASS(TFont)

 public:
  int32_t Charset = 1;            // DEFAULT_CHARSET
  TColor Color = clWindowText;
  int32_t Height = -11;
  std::string Name = "MS Sans Serif";
  TFontPitch Pitch = TFontPitch::fpDefault;
  TFontStyles Style;

  // The point size at 96 pixels per inch (Height is negative pixels).
  int Size() const;
  void SetSize(int points);
  void Assign(const TPersistent& source) override;
  bool operator==(const TFont& o) const {
    return Charset == o.Charset && Color == o.Color && Height == o.Height && Name == o.Name &&
           Pitch == o.Pitch && Style == o.Style;
  }
};

}  // namespace brim
