// QOR_Vuruzid: the program entry. The program folder is the current directory.
#include "app/VuruzidApplication.h"
#include "ui/AddWordUnit.h"
#include "ui/HelpUnit.h"
#include "ui/MainUnit.h"
#include "ui/WelcomwUnit.h"

int main(int argc, char** argv) {
  VuruzidApplication application(argc, argv);

  // The windows, created in this order and destroyed in the reverse one; the
  // main window comes first, so closing it ends the program.
  TMainForm mainForm;
  TAddWordForm addWordForm(&mainForm);
  THelpForm helpForm(mainForm.SettingsList(), &mainForm);
  TWelcomeForm welcomeForm(mainForm.SettingsList(), &mainForm);
  mainForm.SetDialogs(&addWordForm, &helpForm, &welcomeForm);

  // On a first run the welcome dialog comes before the main window appears.
  mainForm.FormShow();
  mainForm.show();
  return application.exec();
}
