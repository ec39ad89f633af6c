#pragma once

#include <QFont>
#include <QStringList>

/** Whole pixels that hold the widest of @p texts in @p font: text is laid out at fractional advances. */
int widestAdvance(const QStringList& texts, const QFont& font);
