#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <memory>
#include <string_view>

#include "support/ModalWatcher.h"
#include "support/TestProgramFolder.h"
#include "ui/AddWordUnit.h"
#include "ui/HelpUnit.h"
#include "ui/MainUnit.h"
#include "ui/MyWordsUnit.h"
#include "ui/WelcomwUnit.h"

namespace vuruzid::testing {

// The main window and its dialogs, started on a temporary program folder.
class MainWindowFixture : public ::testing::Test {
 protected:
  // Creates the windows as the program does and shows the main window; a
  // second start unless the settings file was removed or written otherwise.
  void Start(bool writeSecondStartSettings = true) {
    if (writeSecondStartSettings && !std::filesystem::exists(folder_.path() / "data/Vuruzid.ini"))
      folder_.WriteSettings(TestProgramFolder::SecondStartSettings());
    form_ = std::make_unique<TMainForm>(folder_.path());
    addWord_ = std::make_unique<TAddWordForm>(form_.get());
    help_ = std::make_unique<THelpForm>(form_->SettingsList(), form_.get());
    welcome_ = std::make_unique<TWelcomeForm>(form_->SettingsList(), form_.get());
    myWords_ = std::make_unique<TMyWordsForm>(form_->Engine(), form_.get());
    form_->SetDialogs(addWord_.get(), help_.get(), welcome_.get(), myWords_.get());
    form_->FormShow();
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  }

  void TearDown() override {
    myWords_.reset();
    welcome_.reset();
    help_.reset();
    addWord_.reset();
    form_.reset();
  }

  TMainForm& Form() { return *form_; }

  template <typename T = QWidget>
  T* Element(const char* name) {
    T* element = form_->findChild<T*>(QString::fromLatin1(name));
    if (!element) ADD_FAILURE() << "no element " << name;
    return element;
  }
  QString Text(const char* label) { return Element<QLabel>(label)->text(); }
  QColor TextColour(const char* label) { return Element<QLabel>(label)->palette().color(QPalette::WindowText); }

  // A click (press and release) of `button` in the middle of the element.
  void Click(const char* element, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(Element(element), button);
    QCoreApplication::processEvents();
  }

  // Types virtual-key codes as the capture delivers them (insert mode on).
  void Type(std::initializer_list<int> virtualKeys) {
    for (int key : virtualKeys) form_->KeyDown({static_cast<uint8_t>(key), 1});
  }
  // Capital letters and blanks are their own virtual-key codes.
  void Type(std::string_view text) {
    for (char key : text) form_->KeyDown({static_cast<uint8_t>(key), 1});
  }
  // Waits until the corrections being found are found, and their answer handled.
  void SettleCorrections() {
    ASSERT_TRUE(QTest::qWaitFor([&] { return form_->CorrectionWorkerIdle(); }, 5000));
    QCoreApplication::processEvents();
  }
  // An English library for corrections: RECIEVE is most likely RECEIVE.
  void WriteSpellingLibrary() {
    folder_.WriteLibrary("english.dll", {{"CAT", 30}, {"DOG", 20}, {"DON`T", 90}, {"INTERNATIONALIZATION", 5},
                                         {"RECEIPT", 40}, {"RECEIVE", 500}, {"RECEIVED", 300}, {"RECIPE", 50},
                                         {"RELIEVE", 40}, {"REVIEW", 60}});
  }

  TestProgramFolder folder_;
  std::unique_ptr<TMainForm> form_;
  std::unique_ptr<TAddWordForm> addWord_;
  std::unique_ptr<THelpForm> help_;
  std::unique_ptr<TWelcomeForm> welcome_;
  std::unique_ptr<TMyWordsForm> myWords_;
};

}  // namespace vuruzid::testing
