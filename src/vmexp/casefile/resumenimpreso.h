#pragma once
// The printed summary of a case file: one document with its header, its authorised
// users and its actions with their documents, to preview, print or save as PDF.
#include <QString>

struct ResumenExpediente;
class QTextDocument;

namespace ResumenImpreso {
QString html(const ResumenExpediente &r);
void componer(const ResumenExpediente &r, QTextDocument &documento);
} // namespace ResumenImpreso
