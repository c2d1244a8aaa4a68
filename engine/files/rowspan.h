#pragma once

#include <QtGlobal>

// Rows of the file list next to each other, by position.
struct RowSpan {
    qsizetype first = 0;
    qsizetype count = 0;
};
