#pragma once

#include <QString>

class QWidget;

namespace vuruzid::ui {

// The application's title: the caption of its task-bar entry and of every
// message box it shows.
inline constexpr char kApplicationTitle[] = "QOR_Vuruzid";

// The error report: a modal box with the error icon, captioned with the
// application title. Returns when the user has read it.
void ShowErrorReport(const QString& text, QWidget* parent = nullptr);

// A plain modal message (no icon), captioned with the application title.
void ShowPlainMessage(const QString& text, QWidget* parent = nullptr);

// A plain message that neither waits nor takes the keyboard focus: for news
// that comes while the user types in another program.
void ShowNotice(const QString& text, QWidget* parent = nullptr);

}  // namespace vuruzid::ui
