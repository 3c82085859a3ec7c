#pragma once
// Numbers typed by users, read in the user's locale ("1.234,5" under Spanish).
#include <QString>

// Group separators are ignored wherever they stand, as the classic conversion did;
// the locale's decimal separator is the only one accepted. Surrounding blanks pass.
double numeroLocal(const QString &texto, bool *ok = nullptr);
