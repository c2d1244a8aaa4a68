#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// Gives the custom-painted controls the accessible interfaces that make a screen reader
// announce them as the standard controls they behave like.
class AccessibleFactory {
public:
    // Registers the factory with Qt; calling it again does nothing.
    static void install();
    // The interface for `object` if it is one of our controls, else nullptr so that Qt's own
    // factories answer. `className` is each class of the object's hierarchy in turn.
    static QAccessibleInterface *create(const QString &className, QObject *object);
};
