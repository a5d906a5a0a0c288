// QOR_Vuruzid: the program entry. The program folder is the current directory;
// data/ is kept there when it may be written, else in the user's data folder.
#include <QApplication>
#include <QString>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "app/EndOfRun.h"
#include "app/SingleInstance.h"
#include "app/VuruzidApplication.h"
#include "platform/DataFolder.h"
#include "platform/EndSignals.h"
#include "platform/Environment.h"
#include "platform/NoCoreDumps.h"
#include "platform/ProgramFolder.h"
#include "ui/AddWordUnit.h"
#include "ui/FirstFrame.h"
#include "ui/HelpUnit.h"
#include "ui/MainUnit.h"
#include "ui/MyWordsUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/WelcomwUnit.h"
#include "ui/WindowFront.h"

namespace {

// The window's shape, place and stay-on-top need X11: in a Wayland session it
// is drawn through XWayland wherever that is offered, unless told otherwise.
void PreferXWayland() {
  if (!vuruzid::platform::EnvironmentValue("DISPLAY").empty()) setenv("QT_QPA_PLATFORM", "xcb", /*overwrite=*/0);
}

}  // namespace

int main(int argc, char** argv) {
  // Before any key is seen: a crash must not write what was typed to disk.
  if (std::string why; !vuruzid::platform::ForbidCoreDumps(&why))
    std::fprintf(stderr, "QOR_Vuruzid: %s; a crash may leave a core file.\n", why.c_str());
  if (const auto answer = vuruzid::app::AnswerWithoutStarting(argc, argv)) {
    std::fputs(answer->c_str(), stdout);
    return 0;
  }
  // Caught from the start: an end asked for while the program starts waits
  // until its window exists, and is then a close like any other.
  std::string whyNoEndSignals;
  const int endSignals = vuruzid::platform::CatchEndSignals(&whyNoEndSignals);
  PreferXWayland();
  if (!vuruzid::app::DisplayIsNamed()) {
    std::fputs(vuruzid::app::kNoDisplay, stderr);
    return 1;
  }
  // The application opens the display, or fails to.
  std::optional<vuruzid::app::NoDisplayEndsCleanly> noDisplay(std::in_place);
  VuruzidApplication application(argc, argv);
  noDisplay.reset();

  // One copy per data folder: a second start brings the running window
  // forward and ends before it reads or writes anything.
  const std::filesystem::path programFolder = vuruzid::platform::CurrentFolder();
  const vuruzid::platform::DataHome dataHome =
      vuruzid::platform::ChooseDataHome(programFolder, vuruzid::platform::UserEnvironment::OfThisProcess());
  const std::filesystem::path dataFolder = dataHome.folder / "data";
  SingleInstance instance(dataFolder);
  if (!programFolder.empty()) {
    switch (instance.ClaimDataFolder()) {
      case SingleInstance::Claim::Forwarded:
        return 0;
      case SingleInstance::Claim::NoAnswer:
        vuruzid::ui::ShowErrorReport(
            QStringLiteral("QOR Vuruzid is already running with the data folder %1, but it does not answer. "
                           "Close it (or end its process) and start the program again.")
                .arg(QString::fromStdString(dataFolder.string())));
        return 1;
      case SingleInstance::Claim::First:
      case SingleInstance::Claim::Unguarded:
        break;
    }
    // Saving then reports each file it cannot write; this says why at once.
    if (std::string error; !vuruzid::platform::PrepareDataHome(dataHome, error))
      vuruzid::ui::ShowErrorReport(QString::fromStdString(error));
  }

  // Until the main window exists, a message it shows while starting is what comes forward.
  instance.SetBringForwardHandler([] {
    if (QWidget* dialog = QApplication::activeModalWidget()) vuruzid::ui::ShowInFront(dialog);
  });

  // The windows, created in this order and destroyed in the reverse one; the
  // main window comes first, so closing it ends the program.
  TMainForm mainForm(programFolder.empty() ? std::filesystem::current_path() : programFolder, dataHome.folder);
  std::optional<TAddWordForm> addWordForm;
  std::optional<THelpForm> helpForm;
  std::optional<TWelcomeForm> welcomeForm;
  std::optional<TMyWordsForm> myWordsForm;
  const auto createDialogs = [&] {
    addWordForm.emplace(&mainForm);
    helpForm.emplace(mainForm.SettingsList(), &mainForm);
    helpForm->SetDataHome(dataHome.folder);  // the help page names the folder really used
    // A name given is written at once: a session ended by logout keeps it.
    helpForm->SetNameSaver([&mainForm] { mainForm.WriteSettings(/*messageBoxes=*/true); });
    welcomeForm.emplace(mainForm.SettingsList(), &mainForm);
    welcomeForm->SetNameSaver([&mainForm] { mainForm.WriteSettings(/*messageBoxes=*/true); });
    if (dataHome.perUser) welcomeForm->SetShortcutPlaces(dataHome.folder, vuruzid::platform::LauncherOfThisProcess());
    myWordsForm.emplace(mainForm.Engine(), &mainForm);
    mainForm.SetDialogs(&*addWordForm, &*helpForm, &*welcomeForm, &*myWordsForm);
  };
  // Building the dialogs takes a good share of the start-up: a returning
  // user's window is shown first and they follow at once. A first run needs
  // the welcome dialog before the window appears.
  if (mainForm.FirstRun() == 1)
    createDialogs();
  else
    vuruzid::ui::RunAfterFirstFrame(&mainForm, createDialogs);
  // The lookup indexes too, once the window shows, so that the first key does not wait for them.
  vuruzid::ui::RunAfterFirstFrame(&mainForm, [&mainForm] { mainForm.Engine().wordList().PrepareLookups(); });
  instance.SetBringForwardHandler([&mainForm] { mainForm.BringForward(); });
  // A signal, the session's end or the display's loss end the program as its close button does.
  EndOfRun endOfRun(endSignals, whyNoEndSignals, [&mainForm] { mainForm.SaveOnEnd(/*messageBoxes=*/false); },
                    [&mainForm] { mainForm.WriteSettings(/*messageBoxes=*/false); });

  // On a first run the welcome dialog comes before the main window appears.
  mainForm.FormShow();
  if (endOfRun.Requested()) return 0;
  mainForm.show();
  return application.exec();
}
