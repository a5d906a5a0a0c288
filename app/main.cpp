// QOR_Vuruzid: the program entry. The program folder is the current directory.
#include <QApplication>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <optional>

#include "app/SingleInstance.h"
#include "app/VuruzidApplication.h"
#include "platform/ProgramFolder.h"
#include "ui/AddWordUnit.h"
#include "ui/FirstFrame.h"
#include "ui/HelpUnit.h"
#include "ui/MainUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/WelcomwUnit.h"
#include "ui/WindowFront.h"

int main(int argc, char** argv) {
  VuruzidApplication application(argc, argv);

  // One copy per data folder: a second start brings the running window
  // forward and ends before it reads or writes anything.
  const std::filesystem::path programFolder = vuruzid::platform::CurrentFolder();
  SingleInstance instance(programFolder / "data");
  if (!programFolder.empty()) {
    switch (instance.ClaimDataFolder()) {
      case SingleInstance::Claim::Forwarded:
        return 0;
      case SingleInstance::Claim::NoAnswer:
        vuruzid::ui::ShowErrorReport(
            QStringLiteral("QOR Vuruzid is already running with the data folder %1, but it does not answer. "
                           "Close it (or end its process) and start the program again.")
                .arg(QString::fromStdString((programFolder / "data").string())));
        return 1;
      case SingleInstance::Claim::First:
      case SingleInstance::Claim::Unguarded:
        break;
    }
  }

  // Until the main window exists, a message it shows while starting is what comes forward.
  instance.SetBringForwardHandler([] {
    if (QWidget* dialog = QApplication::activeModalWidget()) vuruzid::ui::ShowInFront(dialog);
  });

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
  instance.SetBringForwardHandler([&mainForm] { mainForm.BringForward(); });

  // On a first run the welcome dialog comes before the main window appears.
  mainForm.FormShow();
  mainForm.show();
  return application.exec();
}
