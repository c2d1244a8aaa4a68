#pragma once

class QColor;
class QFrame;
class QWidget;

// Pieces the window's bars share.
namespace WindowBars {

// Both columns start with a header of this height, so their dividers line up.
inline constexpr int headerHeight = 48;
// The toolkit's default padding, wherever a bar keeps its content off the edges.
inline constexpr int defaultPadding = 16;

QFrame *verticalDivider(int height, QWidget *parent);
// Sets the text colour of a label or a button.
void setTextColor(QWidget *widget, const QColor &color);
// A strip filled with the window background: the command bar and the bottom bar.
QWidget *windowBar(QWidget *parent);

} // namespace WindowBars
