// The application error report: the one place where a failed command reaches the user.
#include "ErrorReport.h"

QString errorReportText(const QString& message) {
  if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
  return message;
}
