#pragma once

#include <QPalette>

// The two palettes the program switches to when the desktop states a preference for a dark
// or a light appearance. Without a preference the platform's own palette stays in use.
class SchemePalettes {
public:
    static QPalette light();
    static QPalette dark();
};
