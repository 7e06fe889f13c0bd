// The main form: hidden, it runs the patch from its creation handler and closes when shown.
#pragma once

#include "forms/form.h"

class TForm1 : public TForm {
 public:
  TImage* Image1 = nullptr;

  TForm1();
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
};

extern TForm1* Form1;
