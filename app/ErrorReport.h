// The application error report: the one place where a failed command reaches the user.
#pragma once

#include <QString>

// The box's text: the failure's message, with a full stop added when its last character sorts
// after "." (so "File not found" reads "File not found." while "... (42)." is left alone).
QString errorReportText(const QString& message);
