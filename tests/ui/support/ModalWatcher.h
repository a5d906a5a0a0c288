#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

namespace vuruzid::testing {

// Answers the modal windows the code under test opens (message boxes and
// dialogs run their own event loops): each one is recorded, handed to the
// handler, and then closed if the handler left it open.
class ModalWatcher : public QObject {
 public:
  struct Seen {
    QString title;
    QString text;  // a message box's text
    int icon = 0;  // a message box's QMessageBox::Icon
  };
  using Handler = std::function<void(QWidget* modal)>;

  explicit ModalWatcher(Handler handler = {});

  const std::vector<Seen>& seen() const { return seen_; }
  bool SawText(const QString& text) const;

 private:
  void Poll();

  Handler handler_;
  QTimer timer_;
  QWidget* current_ = nullptr;
  std::vector<Seen> seen_;
};

}  // namespace vuruzid::testing
