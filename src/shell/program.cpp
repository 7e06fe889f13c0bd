#include "shell/program.h"

#include "forms/application.h"
#include "shell/form1.h"

int ProgramMain() {
  return RunProgram([] {
    Application->Initialize();
    Application->CreateForm(Form1);
    Application->Run();
  });
}
