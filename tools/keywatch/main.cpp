// vuruzid-keywatch: watches the keys typed anywhere on the desktop and
// prints, per key-down or mouse press, its virtual-key code (or button) and
// what the keystroke interpreter makes of it, with the word it judged or
// dropped unjudged, until interrupted (Ctrl+C or SIGTERM). It is the
// program's capture and interpreter without the window: keys going to
// password fields, password programs, programs left alone, browsers that show
// no focus and programs that cannot be told are held back, and so are keys
// typed while the screen is locked or another program holds the keyboard;
// keys after a Tab, Enter or a click wait for the focus to be told;
// shortcuts drop the word, the language follows the keyboard layout, and
// each change of that context is printed on a line of its own. A word typed
// in the other language's layout is told after its key, and so is the switch
// of the language a run of them makes while typing is followed: as the
// options file in DIR says (FollowTyping), else where the capture cannot see
// the keyboard's layout switches; --no-follow-typing turns it off.
//
//   vuruzid-keywatch [--lang en|ru] [--folder DIR] [--no-follow-typing]
//
// A diagnostic tool: it prints what is typed, which the checker itself never does.

#include <QCoreApplication>
#include <iostream>
#include <string>

#include "capture/KeyCapture.h"
#include "engine/SpellingEngine.h"
#include "platform/NoCoreDumps.h"
#include "platform/ProgramFolder.h"
#include "settings/SideSettings.h"
#include "tools/check/CheckCommands.h"
#include "tools/keywatch/QuitOnSignal.h"

namespace {

int Usage() {
  std::cerr << "usage: vuruzid-keywatch [--lang en|ru] [--folder DIR] [--no-follow-typing]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vuruzid;
  int language = SpellingEngine::kEnglish;
  std::filesystem::path folder = platform::CurrentFolder();
  bool followTypingAllowed = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--lang" && i + 1 < argc) {
      const auto named = check::LanguageNamed(argv[++i]);
      if (!named) return Usage();
      language = *named;
    } else if (arg == "--folder" && i + 1 < argc) {
      folder = argv[++i];
    } else if (arg == "--no-follow-typing") {
      followTypingAllowed = false;
    } else {
      return Usage();
    }
  }

  QCoreApplication application(argc, argv);
  if (std::string why; !platform::ForbidCoreDumps(&why))
    std::cerr << "vuruzid-keywatch: " << why << "; a crash may leave a core file." << std::endl;
  auto tell = [](const std::string& message) { std::cerr << "vuruzid-keywatch: " << message << std::endl; };
  // Context lines go with the keys, in order, to standard output.
  auto note = [](const std::string& line) { std::cout << "-- " << line << std::endl; };

  SpellingEngine engine(check::ToolEngineFiles(folder), tell);
  if (!check::ActivateForTool(engine, language, tell)) return 1;
  std::vector<std::string> problems;
  const SideSettings side = SideSettings::Load(folder, capture::DefaultProgramsLeftAlone(), problems);
  for (const std::string& problem : problems) tell(problem);

  capture::KeyCapture* watching = nullptr;
  capture::KeyCapture capture([&](const KeyStroke& key) {
    const auto result = engine.ProcessKeyStroke(key, side.FollowLayout());
    if (result.languageSwitched) {
      watching->SetLatinTyping(engine.language() == SpellingEngine::kEnglish);
      if (!result.switchedByTyping)
        note("language followed the keyboard layout: " + std::string(engine.display().language));
    }
    check::PrintOutputs(engine, key, result, std::cout);
    std::cout.flush();  // one line per key, as it happens, also into a pipe
  });
  watching = &capture;
  capture.SetProgramsLeftAlone(side.ProgramsLeftAlone());
  capture.SetContextHandler([&](const capture::KeyContext& context) {
    if (context.pause != capture::Pause::NotPaused) engine.ResetWord();
    note(capture::DescribeContext(context));
  });
  capture.SetStoppedHandler([&](const std::string& why) {
    tell(why);
    QCoreApplication::exit(1);
  });
  capture.SetLatinTyping(language == SpellingEngine::kEnglish);
  std::string whyNot;
  if (!capture.Install(&whyNot)) {
    tell(whyNot);
    return 1;
  }
  if (const std::string warning = capture.SessionWarning(); !warning.empty()) tell(warning);
  // The route, and so the default, is known once the capture runs.
  engine.SetFollowTyping(followTypingAllowed && side.FollowTyping(capture.SeesLayoutSwitches()));
  tell(std::string("words typed in the other layout ") +
       (engine.FollowTyping() ? "switch the language." : "do not switch the language."));
  for (const std::string& why : capture.ContextNotes()) tell(why);
  if (!keywatch::QuitOnSignals()) tell("cannot catch Ctrl+C; stop it with kill -9.");
  tell("watching the keys of the desktop; Ctrl+C stops.");

  const int status = QCoreApplication::exec();
  capture.Remove();
  tell("stopped.");
  return status;
}
