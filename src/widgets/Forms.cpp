#include "widgets/Forms.h"

#include "common/routines_Strings.h"

namespace brim {

const TEnumInfo BorderIconInfo("TBorderIcon", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"});
const TEnumInfo FormBorderStyleInfo("TFormBorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog",
                                                         "bsToolWindow", "bsSizeToolWin"});
const TEnumInfo FormStyleInfo("TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
const TEnumInfo PositionInfo("TPosition", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                           "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                                           "poOwnerFormCenter"});
const TEnumInfo WindowStateInfo("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});

const TClassInfo& TCustomForm::StaticClass() {
  static const TClassInfo info = [] {
    auto windowSize = [](const TCustomForm& f) { return !f.ClientSizeGiven(); };
    auto clientSize = [](const TCustomForm& f) { return f.ClientSizeGiven(); };
    TClassBuilder<TCustomForm> b("TCustomForm", &TWinControl::StaticClass());
    b.Integer("Width", Field(&TControl::Width))
        .StoredWhen(windowSize)
        .Integer("Height", Field(&TControl::Height))
        .StoredWhen(windowSize)
        .Boolean("Visible", Field(&TControl::Visible), false)
        .Reference<TWinControl>("ActiveControl", Field(&TCustomForm::ActiveControl))
        .Set("BorderIcons", Field(&TCustomForm::BorderIcons), BorderIconInfo, 7)
        .Enumeration("BorderStyle", Field(&TCustomForm::BorderStyle), FormBorderStyleInfo, 2);
    PublishCaption(b);
    b.Integer("ClientHeight", Methods(&TCustomForm::ClientHeight, &TCustomForm::SetClientHeight))
        .StoredWhen(clientSize)
        .Integer("ClientWidth", Methods(&TCustomForm::ClientWidth, &TCustomForm::SetClientWidth))
        .StoredWhen(clientSize)
        .Color("Color", Methods(&TControl::Color, &TControl::SetColor), clBtnFace);
    PublishFont(b, false);
    b.Enumeration("FormStyle", Field(&TCustomForm::FormStyle), FormStyleInfo, 0)
        .Object("Icon", [](TCustomForm& f) -> TPersistent* { return &f.Icon; })
        .Boolean("KeyPreview", Field(&TCustomForm::KeyPreview), false)
        .Boolean("OldCreateOrder", Field(&TCustomForm::OldCreateOrder))
        .Enumeration("Position", Field(&TCustomForm::Position), PositionInfo, 0)
        .Boolean("Scaled", Field(&TCustomForm::Scaled), true)
        .Enumeration("WindowState", Field(&TCustomForm::WindowState), WindowStateInfo, 0)
        .Event("OnActivate", &TCustomForm::OnActivate)
        .Event("OnClose", &TCustomForm::OnClose)
        .Event("OnCloseQuery", &TCustomForm::OnCloseQuery)
        .Event("OnCreate", &TCustomForm::OnCreate)
        .Event("OnDeactivate", &TCustomForm::OnDeactivate)
        .Event("OnDestroy", &TCustomForm::OnDestroy)
        .Event("OnPaint", &TCustomForm::OnPaint)
        .Event("OnResize", &TCustomForm::OnResize)
        .Event("OnShow", &TCustomForm::OnShow)
        .Integer("PixelsPerInch", Field(&TCustomForm::PixelsPerInch))
        .Integer("TextHeight", Field(&TCustomForm::TextHeight));
    return b.Build();
  }();
  return info;
}

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  Width = 320;
  Height = 240;
  Visible = false;
  SetColor(clBtnFace);
  // A form's font is its own: it has no parent to take one from.
  FontChanged();
}

TCustomForm::~TCustomForm() { BeforeDestruction(); }

void TCustomForm::SetClientWidth(int32_t value) {
  Width = value;
  clientSizeGiven_ = true;
}

void TCustomForm::SetClientHeight(int32_t value) {
  Height = value;
  clientSizeGiven_ = true;
}

std::vector<TComponent*> TCustomForm::GetChildren(TComponent* root) const {
  std::vector<TComponent*> children = TWinControl::GetChildren(root);
  if (root == this)
    for (TComponent* c : TComponent::GetChildren(root)) children.push_back(c);
  return children;
}

const std::any* TCustomForm::FindHandler(const std::string& name) const {
  for (const auto& [n, h] : handlers_)
    if (SameText(n, name)) return &h;
  return nullptr;
}

const TClassInfo& TForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TForm>("TForm", &TCustomForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim
