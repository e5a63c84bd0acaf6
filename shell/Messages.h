#pragma once

#include <QString>
#include <functional>

class QWidget;

// A message box with the application's name as caption and an OK button. Where nobody can
// answer one (the screenshot option, or SELVANE_MESSAGE_BOXES=stderr for scripted runs and
// tests), the text goes to standard error instead, as "Selvane: <text>", and nothing waits.
void ShowMessage(QWidget* parent, const QString& text);

void SetMessagesToStandardError(bool toStandardError);
bool MessagesToStandardError();

// Tests take every message instead of a box; an empty function restores the boxes.
void SetMessageSinkForTesting(std::function<void(const QString&)> sink);
