#include "names/optionaltext.h"

OptionalText::OptionalText(const QString &text) : m_text(new Text(text)) {}
