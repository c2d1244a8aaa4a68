#include "operations/fileinfofields.h"

#include "fileinfo/datepattern.h"
#include "operations/operationparameterseditor.h"
#include "operations/operationstackmodel.h"
#include "operations/stepfieldbinder.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"
#include "style/palettefollower.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

FileInfoFields::FileInfoFields(StepFieldBinder *fields, QWidget *parent)
    : QWidget(parent), m_fields(fields)
{
    QVBoxLayout *page = OperationParametersEditor::makePageLayout(this);
    m_fields->addLabel(page, tr("Insert"), QStringLiteral("infoField"));
    m_fields->addChoiceMenu(page, QStringLiteral("infoField"), &RenameOperationWrapper::infoField)
        ->setStartsGroup(OptionTexts::indexOf(FileInfoField::artist)); // the audio tags
    m_dateFormatRow = {
        m_fields->addLabel(page, tr("Date Format"), QStringLiteral("infoDateFormat")),
        addDateFormatField(page)};
    m_fields->addLabel(page, tr("Where"), QStringLiteral("infoPlacement"));
    m_fields->addSegments(page, QStringLiteral("infoPlacement"),
                          &RenameOperationWrapper::infoPlacement);
    m_separatorRow = {m_fields->addLabel(page, tr("Separator"), QStringLiteral("infoSeparator")),
                      m_fields->addTextField(page, tr("None"), QStringLiteral("infoSeparator"),
                                             &RenameOperationWrapper::infoSeparator)};
    m_whenMissingRow = {
        m_fields->addLabel(page, tr("If Missing"), QStringLiteral("infoWhenMissing")),
        m_fields->addChoiceMenu(page, QStringLiteral("infoWhenMissing"),
                                &RenameOperationWrapper::infoWhenMissing)};
}

void FileInfoFields::showRowsFor(const RenameOperationWrapper &operation)
{
    const bool date = operation.infoField == FileInfoField::dateTaken ||
                      operation.infoField == FileInfoField::dateModified;
    for (QWidget *widget : std::as_const(m_dateFormatRow))
        widget->setVisible(date);
    for (QWidget *widget : std::as_const(m_separatorRow))
        widget->setVisible(operation.infoPlacement != InfoPlacement::instead);
    for (QWidget *widget : std::as_const(m_whenMissingRow))
        widget->setVisible(operation.infoField == FileInfoField::dateTaken);
}

QWidget *FileInfoFields::addDateFormatField(QVBoxLayout *layout)
{
    QLineEdit *field =
        m_fields->addTextField(layout, tr("e.g., yyyy-MM-dd"), QStringLiteral("infoDateFormat"),
                               &RenameOperationWrapper::infoDateFormat);
    auto *column = new QWidget;
    auto *columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(4);
    layout->insertWidget(layout->indexOf(field), column);
    layout->removeWidget(field);
    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(field, 1);

    auto *presets = new QToolButton;
    presets->setObjectName(QStringLiteral("infoDatePresets"));
    presets->setAutoRaise(true);
    presets->setFocusPolicy(Qt::TabFocus);
    presets->setToolTip(tr("Date format presets"));
    presets->setAccessibleName(tr("Date format presets"));
    presets->setPopupMode(QToolButton::InstantPopup);
    presets->setStyleSheet(
        QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    const int iconSide = int(Fonts::symbolSize(Fonts::body()));
    presets->setIconSize(QSize(iconSide, iconSide));
    PaletteFollower::follow(presets, [presets, iconSide] {
        const QIcon icon =
            Icons::icon(QStringLiteral("chevron.down"), Colors::secondaryText(), iconSide);
        presets->setIcon(icon);
        presets->setText(icon.isNull() ? tr("Presets") : QString());
    });
    auto *menu = new QMenu(presets);
    menu->setObjectName(QStringLiteral("infoDatePresetsMenu"));
    // Each preset with today's date in it, made when the menu opens: the day may change.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        const QDateTime now = QDateTime::currentDateTime();
        const qint64 wallClock = now.toMSecsSinceEpoch() + now.offsetFromUtc() * qint64(1000);
        for (const QString &pattern : OptionTexts::datePresets()) {
            //: A date format preset: the pattern, then today's date written in it.
            QAction *item = menu->addAction(
                tr("%1  (%2)").arg(pattern, DatePattern::format(pattern, wallClock)));
            connect(item, &QAction::triggered, this, [this, pattern] {
                m_fields->choose([&pattern](RenameOperationWrapper &operation) {
                    operation.infoDateFormat = pattern;
                });
            });
        }
    });
    presets->setMenu(menu);
    row->addWidget(presets);
    columnLayout->addLayout(row);

    auto *sample = new QLabel;
    sample->setObjectName(QStringLiteral("infoDateSample"));
    sample->setFont(Fonts::caption());
    sample->setTextFormat(Qt::PlainText);
    PaletteFollower::follow(sample, [sample] {
        QPalette palette = sample->palette();
        palette.setColor(QPalette::WindowText, Colors::secondaryText(palette));
        sample->setPalette(palette);
    });
    columnLayout->addWidget(sample);
    m_fields->addShower([this, field, sample](const RenameOperationWrapper &operation) {
        // Why the step leaves names as they are, when its format cannot be used; otherwise
        // today's date in it.
        const QString problem = m_fields->data(OperationStackModel::PatternProblemRole).toString();
        const QDateTime now = QDateTime::currentDateTime();
        const qint64 wallClock = now.toMSecsSinceEpoch() + now.offsetFromUtc() * qint64(1000);
        const QString today = DatePattern::format(operation.infoDateFormat, wallClock);
        const QString text = !problem.isEmpty() ? problem
                             : operation.infoDateFormat.isEmpty() || today.isNull()
                                 ? QString()
                                 : tr("Today: %1").arg(today);
        OperationParametersEditor::showNote(field, sample, text, !problem.isEmpty());
    });
    return column;
}
