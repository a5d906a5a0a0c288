// QOR_Vuruzid: the program entry. The program folder is the current directory.
#include <optional>

#include "app/VuruzidApplication.h"
#include "ui/AddWordUnit.h"
#include "ui/FirstFrame.h"
#include "ui/HelpUnit.h"
#include "ui/MainUnit.h"
#include "ui/WelcomwUnit.h"

int main(int argc, char** argv) {
  VuruzidApplication application(argc, argv);

  // The windows, created in this order and destroyed in the reverse one; the
  // main window comes first, so closing it ends the program.
  TMainForm mainForm;
  std::optional<TAddWordForm> addWordForm;
  std::optional<THelpForm> helpForm;
  std::optional<TWelcomeForm> welcomeForm;
  const auto createDialogs = [&] {
    addWordForm.emplace(&mainForm);
    helpForm.emplace(mainForm.SettingsList(), &mainForm);
    welcomeForm.emplace(mainForm.SettingsList(), &mainForm);
    mainForm.SetDialogs(&*addWordForm, &*helpForm, &*welcomeForm);
  };
  // Building the dialogs takes a good share of the start-up: a returning
  // user's window is shown first and they follow at once. A first run needs
  // the welcome dialog before the window appears.
  if (mainForm.FirstRun() == 1)
    createDialogs();
  else
    vuruzid::ui::RunAfterFirstFrame(&mainForm, createDialogs);

  // On a first run the welcome dialog comes before the main window appears.
  mainForm.FormShow();
  mainForm.show();
  return application.exec();
}
