#include "ui/MainUnit.h"

#include "ui/Fonts.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QStyle>
#include <QToolTip>
#include <QWindow>
#include <algorithm>

#include "engine/Cp1251.h"
#include "engine/LetterCase.h"
#include "platform/ProgramFolder.h"
#include "ui/AddWordUnit.h"
#include "ui/Cp1251Text.h"
#include "ui/HelpUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/MyWordsUnit.h"
#include "ui/SkinElements.h"
#include "ui/SuggestionList.h"
#include "ui/WordFit.h"
#include "ui/WindowFront.h"

using vuruzid::ui::BackgroundPicture;
using vuruzid::ui::ClickablePicture;
using vuruzid::ui::Hotspot;
using vuruzid::ui::ImageButton;
using vuruzid::ui::kBlack;
using vuruzid::ui::kLime;
using vuruzid::ui::kSilver;
using vuruzid::ui::kYellow;
using vuruzid::ui::MakePicture;
using vuruzid::ui::MakeText;
using Picture = vuruzid::skin::Picture;

namespace {

constexpr QSize kWideButton{44, 19};
constexpr QSize kSmallButton{22, 19};
constexpr int kSuggestionRowHeight = 13;
// The word display runs from Label7's left edge to the emblem, which covers the rest.
constexpr int kWordDisplayWidth = 170;
constexpr int kWordPixels = 11;
// What leads the best correction after the word in the compact form.
constexpr char16_t kCorrectionArrow[] = u" \u2192 ";
// Why nothing is checked, said smaller than a word and in grey, so it is never taken for one.
constexpr int kQuietLinePixels = 10;
constexpr QRgb kQuietLineColour = qRgb(0x80, 0x80, 0x80);
// Long enough to be read at a glance, short enough not to linger over the next words.
constexpr int kSwitchHintMs = 4000;

// How the list names the layout a word of `language` was typed in.
QString LayoutName(int language) {
  return language == vuruzid::SpellingEngine::kRussian ? QStringLiteral("ru layout") : QStringLiteral("en layout");
}

QString FromLatin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The user word files live in the data home; the language libraries are
// looked for in the program folder first, then in the executable's own folder.
vuruzid::EngineFiles EngineFilesFor(const std::filesystem::path& programFolder, const std::filesystem::path& dataHome) {
  return {dataHome, {programFolder, vuruzid::platform::ExecutableFolder()}};
}

}  // namespace

TMainForm::TMainForm(std::filesystem::path programFolder, std::filesystem::path dataHome)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      programFolder_(std::move(programFolder)),
      dataHome_(dataHome.empty() ? programFolder_ : std::move(dataHome)),
      engine_(EngineFilesFor(programFolder_, dataHome_),
              [this](const std::string& message) { vuruzid::ui::ShowPlainMessage(QString::fromStdString(message), this); }),
      corrections_([this](uint64_t generation, const std::vector<std::string>& found) { CorrectionsFound(generation, found); }),
      checking_([this](const vuruzid::KeyStroke& key) { KeyDown(key); },
                [this](const std::string& message) {
                  vuruzid::ui::ShowPlainMessage(QString::fromStdString(message), this);
                }) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QString::fromLatin1(vuruzid::ui::kApplicationTitle));
  // Where no picture covers the window, the button-face colour shows.
  // (The palette's window colour, not the background role: children take
  // their text colour from the role.)
  QPalette facePalette = palette();
  facePalette.setColor(QPalette::Window, facePalette.color(QPalette::Button));
  setPalette(facePalette);
  setAutoFillBackground(true);
  setFixedSize(vuruzid::ui::kWindowWidth, vuruzid::ui::kFullHeight);

  appIcon_ = vuruzid::skin::ApplicationIcon();
  // The tray needs some icon to be reachable at all; a damaged skin icon
  // falls back to the style's.
  if (appIcon_.isNull()) appIcon_ = style()->standardIcon(QStyle::SP_ComputerIcon);
  setWindowIcon(appIcon_);
  // The user types in other programs, so this window is seldom the active one:
  // its buttons' tooltips must show all the same.
  setAttribute(Qt::WA_AlwaysShowToolTips);

  BuildElements();
  BindActions();
  // Checking can also stop by itself (the X server went away): follow it. No
  // word outlives checking.
  checking_.SetStateChangedHandler([this] {
    if (checking_.CheckingOn() == 0) {
      engine_.ResetWord();
      context_ = {};  // the capture forgets it silently as it stops
    }
    ApplyFollowTyping();  // the route, and so the default, is known once the capture runs
    RefreshDisplays();
  });
  checking_.Capture().SetContextHandler([this](const vuruzid::capture::KeyContext& context) { ContextChanged(context); });
  // A dialog open over this window must never be left minimized while it blocks it.
  vuruzid::ui::KeepModalWindowsUnminimized(this);
  FormCreate();
}

// Creates every element in stacking order, bottom first: a later sibling lies
// above an earlier one.
void TMainForm::BuildElements() {
  auto wide = [this](const char* name, Picture picture, QPoint at) {
    return MakePicture(this, name, picture, QRect(at, kWideButton));
  };
  auto small = [this](const char* name, Picture picture, QPoint at) {
    return MakePicture(this, name, picture, QRect(at, kSmallButton));
  };
  auto hotspot = [this](const char* name, QRect geometry, const char* toolTip) {
    return new Hotspot(this, name, geometry, QString::fromLatin1(toolTip));
  };

  Image2 = new BackgroundPicture(this, "Image2", Picture::CompactBackground, {270, vuruzid::ui::kCompactHeight});
  Image1 = new BackgroundPicture(this, "Image1", Picture::FullBackground, {271, vuruzid::ui::kFullHeight});
  Image1->hide();
  Label7 = MakeText(this, "Label7", QString(), {30, 46}, kLime, false, kWordPixels);
  Label7->resize(98, 13);
  Label22 = MakeText(this, "Label22", QString(), {30, 46}, kLime);
  Label22->hide();
  MakePicture(this, "Image40", Picture::Emblem, QRect(200, 40, 70, 27));

  closeButton_.pressedPicture = small("Image3", Picture::SmallButtonPressed, {238, 10});
  closeButton_.upPicture = small("Image4", Picture::SmallButtonUp, {238, 10});
  closeButton_.caption = MakeText(this, "Label10", QStringLiteral("x"), {245, 12}, kSilver, true);

  languageButton_.pressedPicture = wide("Image10", Picture::WideButtonPressed, {168, 76});
  languageButton_.upPicture = wide("Image9", Picture::WideButtonUp, {168, 76});
  languageButton_.caption = MakeText(this, "Label12", QStringLiteral("lng"), {183, 79}, kSilver);
  languageButton_.hotspot = hotspot("Image11", QRect(169, 79, 42, 14), "English/Russian");

  minimizeButton_.pressedPicture = small("Image6", Picture::SmallButtonPressed, {216, 10});
  minimizeButton_.upPicture = small("Image7", Picture::SmallButtonUp, {216, 10});
  minimizeButton_.caption = MakeText(this, "Label11", QStringLiteral("-"), {224, 9}, kSilver, true, 16);
  minimizeButton_.hotspot = hotspot("Image8", QRect(218, 13, 18, 14), "Minimize");
  closeButton_.hotspot = hotspot("Image5", QRect(239, 13, 18, 14), "Close");

  compactButton_.pressedPicture = wide("Image14", Picture::WideButtonPressed, {86, 76});
  compactButton_.upPicture = wide("Image15", Picture::WideButtonUp, {86, 76});
  compactButton_.caption = Label13 = MakeText(this, "Label13", QStringLiteral("v"), {104, 78}, kSilver, true);
  compactButton_.hotspot = hotspot("Image16", QRect(87, 79, 42, 14), "");

  // The inert buttons of the full form's right column: pictures and captions only.
  wide("Image17", Picture::WideButtonPressed, {216, 202});
  wide("Image18", Picture::WideButtonUp, {216, 202});
  wide("Image20", Picture::WideButtonPressed, {216, 182});
  wide("Image21", Picture::WideButtonUp, {216, 182});
  MakeText(this, "Label14", QStringLiteral("user"), {228, 184}, kBlack);
  MakeText(this, "Label9", QStringLiteral("info"), {230, 205}, kBlack);

  auto* signalOff = new ClickablePicture(this, "Image12", Picture::SignalOff, {18, 76});

  helpButton_.pressedPicture = wide("Image23", Picture::WideButtonPressed, {216, 54});
  helpButton_.upPicture = wide("Image24", Picture::WideButtonUp, {216, 54});
  helpButton_.caption = MakeText(this, "Label15", QStringLiteral("help"), {228, 57}, kSilver);

  checkingButton_.pressedPicture = wide("Image26", Picture::WideButtonPressed, {168, 10});
  checkingButton_.upPicture = wide("Image27", Picture::WideButtonUp, {168, 10});
  checkingButton_.caption = Label16 = MakeText(this, "Label16", QStringLiteral("on"), {183, 13}, kSilver);
  checkingButton_.hotspot = hotspot("Image28", QRect(169, 12, 42, 15), "Doder check ON/OFF");
  helpButton_.hotspot = hotspot("Image25", QRect(217, 57, 42, 14), "Open help window");

  MakeText(this, "Label17", QStringLiteral("QOR Vuruzid"), {15, 11}, kBlack, true);
  MakeText(this, "Label18", QStringLiteral("QOR Vuruzid"), {16, 12}, kSilver, true);

  addButton_.pressedPicture = wide("Image31", Picture::WideButtonPressed, {216, 76});
  addButton_.upPicture = wide("Image30", Picture::WideButtonUp, {216, 76});
  addButton_.caption = MakeText(this, "Label19", QStringLiteral("add"), {227, 79}, kSilver);
  addButton_.hotspot = hotspot("Image29", QRect(217, 79, 42, 14), "Add new word");

  wide("Image34", Picture::WideButtonPressed, {216, 222});
  wide("Image33", Picture::WideButtonUp, {216, 222});
  MakeText(this, "Label20", QStringLiteral("train"), {228, 225}, kBlack);

  onTopButton_.pressedPicture = wide("Image35", Picture::WideButtonPressed, {216, 32});
  onTopButton_.upPicture = wide("Image36", Picture::WideButtonUp, {216, 32});
  onTopButton_.caption = MakeText(this, "Label21", QStringLiteral("top"), {230, 35}, kSilver);
  onTopButton_.hotspot = hotspot("Image37", QRect(217, 35, 42, 14), "On top");

  auto* signalOn = new ClickablePicture(this, "Image38", Picture::SignalOn, {18, 76});
  signalOn->setToolTip(QStringLiteral("Signal"));
  Image38 = signalOn;
  Image39 = MakePicture(this, "Image39", Picture::CheckingIndicator, QRect(148, 6, 18, 24));
  Image39->hide();
  Label1 = MakeText(this, "Label1", QStringLiteral("Insert"), {44, 78}, kYellow);
  Label2 = MakeText(this, "Label2", QStringLiteral("Eng"), {143, 78}, kLime, true);

  ListBox1 = new vuruzid::ui::SuggestionList(this, kSuggestionRowHeight);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  ListBox1->setGeometry(28, 110, 173, 9 * kSuggestionRowHeight);
  ListBox1->setFrameShape(QFrame::NoFrame);
  ListBox1->setFont(vuruzid::ui::SansFont(11));
  ListBox1->setUniformItemSizes(true);
  ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ListBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ListBox1->setLayoutDirection(Qt::LeftToRight);
  // Clicking a correction copies it; otherwise picking a word does nothing, so
  // the list takes no keyboard focus from the window and shows no selection.
  ListBox1->setFocusPolicy(Qt::NoFocus);
  ListBox1->setSelectionMode(QAbstractItemView::NoSelection);
  QPalette listPalette = ListBox1->palette();
  listPalette.setColor(QPalette::Base, Qt::black);
  listPalette.setColor(QPalette::Text, QColor::fromRgb(kSilver));
  ListBox1->setPalette(listPalette);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  BuildTrayMenu();

  connect(ListBox1, &QListWidget::itemClicked, this, &TMainForm::CopyCorrection);
  connect(signalOn, &ClickablePicture::clicked, this, &TMainForm::Image38Click);
  connect(signalOff, &ClickablePicture::clicked, this, &TMainForm::Image12Click);
  for (BackgroundPicture* background : {Image1, Image2}) {
    connect(background, &BackgroundPicture::pressed, this, &TMainForm::StartDrag);
    connect(background, &BackgroundPicture::dragged, this, &TMainForm::ContinueManualDrag);
    connect(background, &BackgroundPicture::released, this, [this] { manualDrag_ = false; });
  }
}

// Every action runs after its button looks released again; an error it raises
// is reported and leaves the window working.
void TMainForm::BindActions() {
  auto bind = [this](const ImageButton& button, void (TMainForm::*action)()) {
    vuruzid::ui::BindImageButton(button, [this, action] { RunReported([this, action] { (this->*action)(); }); });
  };
  bind(checkingButton_, &TMainForm::Image28MouseUp);
  bind(minimizeButton_, &TMainForm::Image8MouseUp);
  bind(closeButton_, &TMainForm::Image5MouseUp);
  bind(onTopButton_, &TMainForm::Image37MouseUp);
  bind(helpButton_, &TMainForm::Image25MouseUp);
  bind(compactButton_, &TMainForm::Image16MouseUp);
  bind(languageButton_, &TMainForm::Image11MouseUp);
  bind(addButton_, &TMainForm::Image29MouseUp);
}

void TMainForm::RunReported(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& error) {
    RefreshDisplays();
    vuruzid::ui::ShowErrorReport(QString::fromStdString(error.what()), this);
  }
}

void TMainForm::SetDialogs(TAddWordForm* addWord, THelpForm* help, TWelcomeForm* welcome, TMyWordsForm* myWords) {
  addWordForm_ = addWord;
  helpForm_ = help;
  welcomeForm_ = welcome;
  myWordsForm_ = myWords;
}

void TMainForm::ApplyShape(int compact) {
  const bool isCompact = compact != 0;
  // Show the requested background before hiding the other, so nothing flickers through.
  (isCompact ? Image2 : Image1)->show();
  (isCompact ? Image1 : Image2)->hide();
  setFixedSize(vuruzid::ui::kWindowWidth, isCompact ? vuruzid::ui::kCompactHeight : vuruzid::ui::kFullHeight);
  regionPoints_ = vuruzid::ui::ShapePoints(isCompact);
  setMask(vuruzid::ui::ShapeRegion(regionPoints_));
}

void TMainForm::Image28MouseUp() {
  checking_.Toggle();
  RefreshDisplays();
}

void TMainForm::Image8MouseUp() { PostSysCommand(kScMinimize); }

void TMainForm::Image5MouseUp() { close(); }

void TMainForm::Image37MouseUp() {
  checking_.TurnOff();
  RefreshDisplays();
  // Change the native window's flags in place: re-creating the window would
  // lose its identity (and, with it, its shape).
  const Qt::WindowFlags flags = windowFlags() ^ Qt::WindowStaysOnTopHint;
  overrideWindowFlags(flags);
  if (QWindow* window = windowHandle()) window->setFlags(flags);
  ApplyShape(compact_);
}

bool TMainForm::IsStayOnTop() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

void TMainForm::Image25MouseUp() {
  if (helpForm_) helpForm_->ShowModal();
}

void TMainForm::ShowMyWords() {
  if (!myWordsForm_) return;
  myWordsForm_->ShowModal();
  // A word taken back may be the one on display.
  RefreshDisplays();
}

void TMainForm::Image16MouseUp() {
  compact_ = compact_ == 1 ? 0 : 1;
  ApplyShape(compact_);
  Label13->setText(compact_ ? QStringLiteral("v") : QStringLiteral("^"));
  Label13->move(Label13->x(), compact_ ? 78 : 83);
  Label13->adjustSize();
  RefreshDisplays();  // the compact form shows the best correction beside the word
}

void TMainForm::Image11MouseUp() {
  engine_.SwitchLanguage();
  FollowLanguageInCapture();
  RefreshDisplays();
}

void TMainForm::FollowLanguageInCapture() {
  checking_.SetLatinTyping(engine_.language() == vuruzid::SpellingEngine::kEnglish);
}

void TMainForm::Image29MouseUp() {
  // Label7 always shows the engine's word display.
  const std::optional<std::string> offered = vuruzid::WordToOffer(engine_.display().word);
  if (!offered || !addWordForm_) return;
  addWordForm_->ShowModal(*offered);
  if (addWordForm_->OkPressed() != 1) return;
  engine_.AddUserWord(vuruzid::cp1251::ToUpper(addWordForm_->EditText()));
  RefreshDisplays();
}

void TMainForm::Image38Click() {
  engine_.setSignalEnabled(0);
  Image38->hide();
}

void TMainForm::Image12Click() {
  engine_.setSignalEnabled(1);
  Image38->show();
}

void TMainForm::KeyDown(const vuruzid::KeyStroke& key) {
  // A click on a window of ours (a correction in the list, say) moves no caret
  // where words are typed: the word stays.
  if (key.pointerButton != 0 && PointerOverOwnWindow()) return;
  ApplyFollowTyping();  // the keyboard may have gained or lost a layout meanwhile
  const auto result = engine_.ProcessKeyStroke(key, sideSettings_.FollowLayout());
  // Found on the worker: this key and the next are shown at once.
  if (std::optional<vuruzid::CorrectionJob> job = engine_.TakeCorrectionJob()) corrections_.Post(std::move(*job));
  // With corrections off no answer brings the notices: a damaged case file is told as soon as it is read.
  if (!engine_.CorrectionsEnabled()) ShowCorrectionProblem();
  if (result.languageSwitched) FollowLanguageInCapture();
  if (result.switchedByTyping) TellSwitchByTyping();
  for (int i = 0; i < result.beeps; ++i) QApplication::beep();
  RefreshDisplays();
}

bool TMainForm::PointerOverOwnWindow() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  return std::ranges::any_of(windows,
                             [](const QWidget* window) { return window->isVisible() && window->underMouse(); });
}

void TMainForm::CorrectionsFound(uint64_t displayGeneration, const std::vector<std::string>& corrections) {
  // Refused when its word has left the display, or corrections were switched off meanwhile.
  if (!engine_.ShowCorrections(displayGeneration, corrections)) return;
  RefreshDisplays();
  ShowCorrectionProblem();
}

void TMainForm::ShowCorrectionProblem() {
  // A notice, not a dialog: the user is typing in another program.
  if (const std::string problem = engine_.TakeCorrectionProblem(); !problem.empty())
    vuruzid::ui::ShowNotice(QString::fromStdString(problem), this);
}

QString vuruzid::ui::CorrectionToCopy(const QString& listed, vuruzid::LetterCase typedCase) {
  const std::optional<std::string> word = vuruzid::cp1251::FromUtf8(listed.toStdString());
  const QString inCase = word ? vuruzid::ui::FromCp1251(vuruzid::InCase(*word, typedCase)) : listed;
  return QString(inCase).replace(QChar(vuruzid::cp1251::kGraveAccent), u'\'');
}

// The program never types for the user: a correction goes to the clipboard,
// in the case the word was typed in (the other layout's word: as its keys were).
void TMainForm::CopyCorrection(QListWidgetItem* item) {
  const bool otherLayout = ListBox1->IsOtherLayoutWord(item);
  if (!otherLayout && !ListBox1->IsCorrection(item)) return;
  const vuruzid::LetterCase typedCase =
      otherLayout ? engine_.display().otherLayoutCase : engine_.DisplayedWordCase();
  const QString word = vuruzid::ui::CorrectionToCopy(ListBox1->WordOf(item), typedCase);
  QGuiApplication::clipboard()->setText(word);
  // Said briefly: the list may change under it with the next word.
  const QRect row = ListBox1->visualItemRect(item);
  QToolTip::showText(ListBox1->viewport()->mapToGlobal(row.bottomLeft()), QStringLiteral("%1 copied").arg(word), ListBox1,
                     {}, 1500);
}

void TMainForm::ContextChanged(const vuruzid::capture::KeyContext& context) {
  context_ = context;
  if (context.pause != vuruzid::capture::Pause::NotPaused) engine_.ResetWord();
  RefreshDisplays();
}

// Makes every display show the engine's and the capture's state.
void TMainForm::RefreshDisplays() {
  Label1->setText(FromLatin1(engine_.display().mode));
  Label1->adjustSize();
  if (const std::string_view language = engine_.display().language; !language.empty()) {
    Label2->setText(FromLatin1(language));
    Label2->adjustSize();
  }
  Label16->setText(FromLatin1(checking_.ToggleCaption()));
  Label16->adjustSize();
  Image39->setVisible(checking_.IndicatorVisible());
  if (checking_.CheckingOn() != 0 && context_.pause != vuruzid::capture::Pause::NotPaused) {
    ShowQuietLine(vuruzid::capture::QuietLine(context_));
    return;
  }

  const vuruzid::Display& display = engine_.display();
  if (Label7->font().pixelSize() != kWordPixels) Label7->setFont(vuruzid::ui::SansFont(kWordPixels));
  // The display shows the part of the word around the caret that fits; the
  // engine keeps the whole word. (After an added word the display holds that
  // word, not the typed one: then the caret is taken at its end.)
  const size_t caret = display.word == engine_.currentWord() ? engine_.cursorPos() : display.word.size();
  const QString word = vuruzid::ui::FitWord(vuruzid::ui::FromCp1251(display.word), static_cast<qsizetype>(caret),
                                            kWordDisplayWidth, Label7->fontMetrics());
  if (Label7->text() != word) {
    Label7->setText(word);
    Label7->resize(std::max(98, Label7->sizeHint().width()), 13);
  }
  vuruzid::ui::SetTextColour(Label7, vuruzid::ui::RgbFromColourValue(display.wordColour));
  const size_t corrections = std::min(display.correctionCount, display.suggestions.size());
  const bool otherLayout = display.otherLayoutFirst && !display.suggestions.empty();
  ShowBestCorrection(word, compact_ != 0 && (corrections > 0 || otherLayout)
                               ? vuruzid::ui::FromCp1251(display.suggestions.front())
                               : QString());
  ListBox1->Show(display.suggestions, corrections, otherLayout ? LayoutName(display.otherLayoutLanguage) : QString());
}

// The line stands where the word would, with nothing after or below it.
void TMainForm::ShowQuietLine(const std::string& line) {
  const QString whole = QString::fromStdString(line);
  if (Label7->font().pixelSize() != kQuietLinePixels) Label7->setFont(vuruzid::ui::SansFont(kQuietLinePixels));
  const QString shown = Label7->fontMetrics().elidedText(whole, Qt::ElideRight, kWordDisplayWidth);
  if (Label7->text() != shown) {
    Label7->setText(shown);
    Label7->resize(std::max(98, Label7->sizeHint().width()), 13);
  }
  vuruzid::ui::SetTextColour(Label7, kQuietLineColour);
  Label7->setToolTip(whole);
  Label22->hide();
  ListBox1->Show({}, 0);
}

// Under the language label that changed: a tooltip takes no focus and goes by
// itself. Hidden in the tray, the tray icon says it.
void TMainForm::TellSwitchByTyping() {
  const QString language = engine_.language() == vuruzid::SpellingEngine::kRussian ? QStringLiteral("Russian")
                                                                                      : QStringLiteral("English");
  const QString text = QStringLiteral("Switched to %1: you are typing in the %1 layout").arg(language);
  if (isVisible()) {
    QToolTip::showText(Label2->mapToGlobal(QPoint(0, Label2->height())), text, Label2, {}, kSwitchHintMs);
  } else if (IsInTray()) {
    trayIcon_->showMessage(QString::fromLatin1(vuruzid::ui::kApplicationTitle), text, QSystemTrayIcon::Information,
                           kSwitchHintMs);
  }
}

// The best correction follows the shown word where both fit the display;
// elsewhere the word shows as it is and the correction is its tooltip.
void TMainForm::ShowBestCorrection(const QString& shownWord, const QString& correction) {
  const QString follower = correction.isEmpty() ? QString() : QString::fromUtf16(kCorrectionArrow) + correction;
  const QFontMetrics metrics = Label7->fontMetrics();
  const int wordWidth = metrics.horizontalAdvance(shownWord);
  const bool fits = !follower.isEmpty() && wordWidth + metrics.horizontalAdvance(follower) <= kWordDisplayWidth;
  Label22->setText(fits ? follower : QString());
  Label22->move(Label7->x() + wordWidth, Label7->y());
  Label22->adjustSize();
  Label22->setVisible(fits);
  Label7->setToolTip(fits ? QString() : follower.trimmed());
}
