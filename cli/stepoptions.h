#pragma once

#include "stackpiece.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <initializer_list>
#include <optional>

// The options that make the stack, read in the order given: each step option adds one
// step at the end, each modifier changes the step just before it, and --stack, --workflow
// and --system-workflow add their steps where they stand.
class StepOptions {
public:
    // Whether `name` ("--replace", "--first", "--stack"…) is one of them.
    static bool handles(QByteArrayView name);

    // Reads the option `name` with its values: the one of "--name=value" first, then the
    // arguments after position `i`, which moves past those it takes. Empty on success,
    // otherwise the message for the user.
    QString read(QByteArrayView name, const std::optional<QByteArray> &inlineValue,
                 const QList<QByteArray> &arguments, qsizetype &i);

    const QList<StackPiece> &pieces() const { return m_pieces; }

private:
    // The step a modifier changes: the last piece, when it is a step of one of `modes`.
    RenameOperationWrapper *lastStep(std::initializer_list<RenameMode> modes);
    void addStep(const RenameOperationWrapper &step);

    QList<StackPiece> m_pieces;
};
