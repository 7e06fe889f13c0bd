#include "shell/form1.h"

#include "patch/patch.h"

TForm1* Form1 = nullptr;

TForm1::TForm1() : TForm("TForm1") {
  DeclareField("Image1", Image1);
  DeclareHandler("FormCreate", [this](TObject* Sender) { FormCreate(Sender); });
  DeclareHandler("FormShow", [this](TObject* Sender) { FormShow(Sender); });
}

void TForm1::FormCreate(TObject*) {
  // Never seen: shrunk to nothing before the patch runs.
  Form1->SetWidth(0);
  Form1->SetHeight(0);
  RunPatch();
}

void TForm1::FormShow(TObject*) {
  Close();
}
