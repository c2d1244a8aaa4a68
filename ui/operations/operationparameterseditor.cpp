#include "operations/operationparameterseditor.h"

#include "controls/choicemenubutton.h"
#include "controls/segmentedcontrol.h"
#include "controls/spacemarkinglineedit.h"
#include "controls/stepper.h"
#include "controls/toggleswitch.h"
#include "controls/wholenumberfield.h"
#include "fileinfo/datepattern.h"
#include "operations/operationstackmodel.h"
#include "operations/optionlabel.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/icons.h"
#include "style/palettefollower.h"
#include "style/roundedtextfieldstyle.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

constexpr int itemSpacing = 12;

template <typename Enum> int indexOf(Enum value)
{
    const auto &all = EnumCases<Enum>::all;
    return int(std::find(all.begin(), all.end(), value) - all.begin());
}

template <typename Enum> QStringList titles()
{
    QStringList result;
    for (Enum value : EnumCases<Enum>::all)
        result.append(OperationParametersEditor::title(value));
    return result;
}

} // namespace

QString OperationParametersEditor::title(ReplaceOccurrence value)
{
    switch (value) {
    case ReplaceOccurrence::first:
        return tr("First");
    case ReplaceOccurrence::last:
        return tr("Last");
    case ReplaceOccurrence::all:
        break;
    }
    return tr("All");
}

QString OperationParametersEditor::title(TrimType value)
{
    switch (value) {
    case TrimType::spaces:
        return tr("Spaces");
    case TrimType::customCharacters:
        return tr("Custom characters");
    case TrimType::characterCount:
        break;
    }
    return tr("First/last characters");
}

QString OperationParametersEditor::title(TrimPosition value)
{
    switch (value) {
    case TrimPosition::leading:
        return tr("Leading");
    case TrimPosition::trailing:
        return tr("Trailing");
    case TrimPosition::both:
        break;
    }
    return tr("Both");
}

QString OperationParametersEditor::title(SequenceLocation value)
{
    return value == SequenceLocation::before ? tr("Before name") : tr("After name");
}

QString OperationParametersEditor::title(CaseType value)
{
    // Each title shows its own casing, as the stored value does.
    switch (value) {
    case CaseType::uppercase:
        return tr("UPPERCASE");
    case CaseType::lowercase:
        return tr("lowercase");
    case CaseType::titleCase:
        return tr("Title Case");
    case CaseType::camelCase:
        return tr("camelCase");
    case CaseType::snakeCase:
        break;
    }
    return tr("snake_case");
}

QString OperationParametersEditor::title(FileInfoField value)
{
    switch (value) {
    case FileInfoField::dateTaken:
        return tr("Date Taken");
    case FileInfoField::dateModified:
        return tr("Date Modified");
    case FileInfoField::cameraModel:
        return tr("Camera Model");
    case FileInfoField::imageSize:
        return tr("Image Size");
    case FileInfoField::artist:
        return tr("Artist");
    case FileInfoField::album:
        return tr("Album");
    case FileInfoField::title:
        return tr("Title");
    case FileInfoField::trackNumber:
        return tr("Track Number");
    case FileInfoField::year:
        break;
    }
    return tr("Year");
}

QString OperationParametersEditor::title(InfoPlacement value)
{
    // Short: three segments share the narrowest card; the caption "Where" reads with them.
    switch (value) {
    case InfoPlacement::before:
        return tr("Before");
    case InfoPlacement::after:
        return tr("After");
    case InfoPlacement::instead:
        break;
    }
    return tr("Instead");
}

QString OperationParametersEditor::title(MissingInfo value)
{
    return value == MissingInfo::flagRow ? tr("Flag the file") : tr("Use date modified");
}

const QStringList &OperationParametersEditor::datePresets()
{
    static const QStringList presets{QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyyMMdd"),
                                     QStringLiteral("yyyy-MM-dd HH.mm.ss"),
                                     QStringLiteral("dd.MM.yyyy")};
    return presets;
}

OperationParametersEditor::OperationParametersEditor(QAbstractItemModel *model, int row,
                                                     QWidget *parent)
    : QWidget(parent), m_model(model), m_step(model->index(row, 0))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QVBoxLayout *page = nullptr;
    const auto pageLayout = [&](RenameMode mode) {
        QWidget *widget = addPage(mode);
        layout->addWidget(widget);
        return static_cast<QVBoxLayout *>(widget->layout());
    };

    page = pageLayout(RenameMode::replace);
    addLabel(page, tr("Find"), QStringLiteral("findText"));
    addTextField(page, tr("Text to find"), QStringLiteral("findText"),
                 &RenameOperationWrapper::findText);
    addLabel(page, tr("Replace"), QStringLiteral("replaceText"));
    addTextField(page, tr("Replacement text"), QStringLiteral("replaceText"),
                 &RenameOperationWrapper::replaceText);
    addLabel(page, tr("Occurrence"), QStringLiteral("replaceOccurrence"));
    addSegments(page, QStringLiteral("replaceOccurrence"),
                &RenameOperationWrapper::replaceOccurrence);
    addSwitch(page, tr("Case sensitive"), QStringLiteral("caseSensitive"),
              &RenameOperationWrapper::caseSensitive);

    page = pageLayout(RenameMode::regex);
    addLabel(page, tr("Pattern"), QStringLiteral("regexPattern"));
    m_patternField = addTextField(page, tr("Regular expression"), QStringLiteral("regexPattern"),
                                  &RenameOperationWrapper::regexPattern);
    m_patternField->setFont(Fonts::monospacedBody());
    m_patternProblem = addProblemLabel(page, m_patternField, QStringLiteral("regexPatternProblem"));
    addLabel(page, tr("Replace With"), QStringLiteral("regexReplacement"));
    m_replacementField = addTextField(page, tr("Replacement"), QStringLiteral("regexReplacement"),
                                      &RenameOperationWrapper::regexReplacement);
    m_replacementField->setFont(Fonts::monospacedBody());
    m_replacementProblem =
        addProblemLabel(page, m_replacementField, QStringLiteral("regexReplacementProblem"));

    page = pageLayout(RenameMode::trim);
    addLabel(page, tr("Trim Type"), QStringLiteral("trimType"));
    addChoiceMenu(page, QStringLiteral("trimType"), &RenameOperationWrapper::trimType);
    m_trimCountRow = {
        addLabel(page, tr("Count"), QStringLiteral("trimCount")),
        addNumberField(page, QStringLiteral("trimCount"), &RenameOperationWrapper::trimCount)};
    m_customCharactersRow = {addLabel(page, tr("Characters"), QStringLiteral("customCharacters")),
                             addTextField(page, tr("e.g., space (default)"),
                                          QStringLiteral("customCharacters"),
                                          &RenameOperationWrapper::customCharacters)};
    addLabel(page, tr("Position"), QStringLiteral("trimPosition"));
    addSegments(page, QStringLiteral("trimPosition"), &RenameOperationWrapper::trimPosition);

    page = pageLayout(RenameMode::append);
    addLabel(page, tr("Append Text"), QStringLiteral("appendText"));
    addTextField(page, tr("Text to add at end"), QStringLiteral("appendText"),
                 &RenameOperationWrapper::appendText);
    addSwitch(page, tr("Before extension"), QStringLiteral("beforeExtension"),
              &RenameOperationWrapper::beforeExtension);

    page = pageLayout(RenameMode::prepend);
    addLabel(page, tr("Prepend Text"), QStringLiteral("prependText"));
    addTextField(page, tr("Text to add at start"), QStringLiteral("prependText"),
                 &RenameOperationWrapper::prependText);

    page = pageLayout(RenameMode::changeCase);
    addLabel(page, tr("Case Type"), QStringLiteral("caseType"));
    addChoiceMenu(page, QStringLiteral("caseType"), &RenameOperationWrapper::caseType);

    page = pageLayout(RenameMode::sequence);
    addSwitch(page, tr("Use original names"), QStringLiteral("useOriginalName"),
              &RenameOperationWrapper::useOriginalName);
    m_baseNameRow = {addLabel(page, tr("Base Name"), QStringLiteral("sequenceBaseName")),
                     addTextField(page, tr("Filename"), QStringLiteral("sequenceBaseName"),
                                  &RenameOperationWrapper::sequenceBaseName)};
    addLabel(page, tr("Starting Number"), QStringLiteral("sequenceStart"));
    addNumberField(page, QStringLiteral("sequenceStart"), &RenameOperationWrapper::sequenceStart);
    {
        // The digits control sits in a column of its own, its caption closer to it.
        auto *column = new QWidget;
        auto *columnLayout = new QVBoxLayout(column);
        columnLayout->setContentsMargins(0, 0, 0, 0);
        columnLayout->setSpacing(4);
        addLabel(columnLayout, tr("Number of Digits"), QStringLiteral("sequencePadding"));
        auto *stepper = new Stepper(tr("Padding: "), paddingMinimum, paddingMaximum);
        stepper->setObjectName(QStringLiteral("sequencePadding"));
        columnLayout->addWidget(stepper);
        page->addWidget(column);
        connect(stepper, &Stepper::valueChanged, this, [this](int value) {
            edit([value](RenameOperationWrapper &operation) { operation.sequencePadding = value; });
        });
        // The stored padding as it is, also outside the stepper's range: names use it so.
        m_showers.push_back([stepper](const RenameOperationWrapper &operation) {
            stepper->setValue(
                int(qBound(qint64(std::numeric_limits<int>::min()), operation.sequencePadding,
                           qint64(std::numeric_limits<int>::max()))));
        });
    }
    addLabel(page, tr("Location"), QStringLiteral("sequenceLocation"));
    addSegments(page, QStringLiteral("sequenceLocation"),
                &RenameOperationWrapper::sequenceLocation);

    page = pageLayout(RenameMode::fileInfo);
    addLabel(page, tr("Insert"), QStringLiteral("infoField"));
    addChoiceMenu(page, QStringLiteral("infoField"), &RenameOperationWrapper::infoField)
        ->setStartsGroup(indexOf(FileInfoField::artist)); // the audio tags
    m_dateFormatRow = {addLabel(page, tr("Date Format"), QStringLiteral("infoDateFormat")),
                       addDateFormatField(page)};
    addLabel(page, tr("Where"), QStringLiteral("infoPlacement"));
    addSegments(page, QStringLiteral("infoPlacement"), &RenameOperationWrapper::infoPlacement);
    m_separatorRow = {addLabel(page, tr("Separator"), QStringLiteral("infoSeparator")),
                      addTextField(page, tr("None"), QStringLiteral("infoSeparator"),
                                   &RenameOperationWrapper::infoSeparator)};
    m_whenMissingRow = {addLabel(page, tr("If Missing"), QStringLiteral("infoWhenMissing")),
                        addChoiceMenu(page, QStringLiteral("infoWhenMissing"),
                                      &RenameOperationWrapper::infoWhenMissing)};

    // Each control is named by the caption above it, as a sighted user reads the pair.
    for (const OptionLabel *label : findChildren<OptionLabel *>()) {
        auto *control =
            findChild<QWidget *>(label->objectName().chopped(QLatin1String("Label").size()));
        if (control && control->accessibleName().isEmpty())
            control->setAccessibleName(label->text());
    }

    refresh();
}

QWidget *OperationParametersEditor::addPage(RenameMode mode)
{
    auto *page = new QWidget;
    page->setObjectName(rawValue(mode) + QStringLiteral("Page"));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(itemSpacing);
    layout->setAlignment(Qt::AlignTop);
    m_pages.insert(mode, page);
    return page;
}

QWidget *OperationParametersEditor::addLabel(QVBoxLayout *layout, const QString &text,
                                             const QString &field)
{
    auto *label = new OptionLabel(text);
    label->setObjectName(field + QStringLiteral("Label"));
    layout->addWidget(label);
    return label;
}

QLabel *OperationParametersEditor::addProblemLabel(QVBoxLayout *layout, QLineEdit *field,
                                                   const QString &name)
{
    // The field and its problem in a column of their own, the text close below the field.
    auto *column = new QWidget;
    auto *columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(4);
    const int at = layout->indexOf(field);
    layout->removeWidget(field);
    layout->insertWidget(at, column);
    columnLayout->addWidget(field);

    auto *label = new QLabel;
    label->setObjectName(name);
    label->setFont(Fonts::caption());
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->hide();
    PaletteFollower::follow(label, [label] {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Colors::redText(palette));
        label->setPalette(palette);
    });
    columnLayout->addWidget(label);
    return label;
}

QLineEdit *OperationParametersEditor::addTextField(QVBoxLayout *layout, const QString &placeholder,
                                                   const QString &field,
                                                   QString RenameOperationWrapper::*member)
{
    auto *lineEdit = new SpaceMarkingLineEdit;
    lineEdit->setObjectName(field);
    lineEdit->setPlaceholderText(placeholder);
    RoundedTextFieldStyle::apply(lineEdit);
    layout->addWidget(lineEdit);
    connect(lineEdit, &QLineEdit::textEdited, this, [this, member](const QString &text) {
        edit([member, &text](RenameOperationWrapper &operation) { operation.*member = text; });
    });
    m_showers.push_back([lineEdit, member](const RenameOperationWrapper &operation) {
        if (lineEdit->text() != operation.*member)
            lineEdit->setText(operation.*member);
    });
    return lineEdit;
}

QWidget *OperationParametersEditor::addDateFormatField(QVBoxLayout *layout)
{
    QLineEdit *field =
        addTextField(layout, tr("e.g., yyyy-MM-dd"), QStringLiteral("infoDateFormat"),
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
        for (const QString &pattern : datePresets()) {
            //: A date format preset: the pattern, then today's date written in it.
            QAction *item = menu->addAction(
                tr("%1  (%2)").arg(pattern, DatePattern::format(pattern, wallClock)));
            connect(item, &QAction::triggered, this, [this, pattern] {
                choose([&pattern](RenameOperationWrapper &operation) {
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
    m_showers.push_back([this, field, sample](const RenameOperationWrapper &operation) {
        // Why the step leaves names as they are, when its format cannot be used; otherwise
        // today's date in it.
        const QString problem = m_step.data(OperationStackModel::PatternProblemRole).toString();
        const QDateTime now = QDateTime::currentDateTime();
        const qint64 wallClock = now.toMSecsSinceEpoch() + now.offsetFromUtc() * qint64(1000);
        const QString today = DatePattern::format(operation.infoDateFormat, wallClock);
        const QString text = !problem.isEmpty() ? problem
                             : operation.infoDateFormat.isEmpty() || today.isNull()
                                 ? QString()
                                 : tr("Today: %1").arg(today);
        if (sample->text() == text)
            return;
        sample->setText(text);
        sample->setVisible(!text.isEmpty());
        // A screen reader tells it with the field, as the eye finds it below the field.
        field->setAccessibleDescription(text);
        field->setProperty(RoundedTextFieldStyle::problemProperty, !problem.isEmpty());
        field->update();
    });
    return column;
}

WholeNumberField *OperationParametersEditor::addNumberField(QVBoxLayout *layout,
                                                            const QString &field,
                                                            qint64 RenameOperationWrapper::*member)
{
    auto *numberField = new WholeNumberField;
    numberField->setObjectName(field);
    RoundedTextFieldStyle::apply(numberField);
    layout->addWidget(numberField);
    connect(numberField, &WholeNumberField::valueEdited, this, [this, member](qint64 value) {
        edit([member, value](RenameOperationWrapper &operation) { operation.*member = value; });
    });
    m_showers.push_back([numberField, member](const RenameOperationWrapper &operation) {
        numberField->setValue(operation.*member);
    });
    return numberField;
}

ToggleSwitch *OperationParametersEditor::addSwitch(QVBoxLayout *layout, const QString &title,
                                                   const QString &field,
                                                   bool RenameOperationWrapper::*member)
{
    auto *toggle = new ToggleSwitch(title);
    toggle->setObjectName(field);
    layout->addWidget(toggle);
    connect(toggle, &ToggleSwitch::toggled, this, [this, member](bool on) {
        edit([member, on](RenameOperationWrapper &operation) { operation.*member = on; });
    });
    m_showers.push_back([toggle, member](const RenameOperationWrapper &operation) {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked(operation.*member);
    });
    return toggle;
}

template <typename Enum>
SegmentedControl *OperationParametersEditor::addSegments(QVBoxLayout *layout, const QString &field,
                                                         Enum RenameOperationWrapper::*member)
{
    auto *segments = new SegmentedControl(titles<Enum>());
    segments->setObjectName(field);
    layout->addWidget(segments);
    connect(segments, &SegmentedControl::activated, this, [this, member](int index) {
        const Enum value = EnumCases<Enum>::all.at(size_t(index));
        edit([member, value](RenameOperationWrapper &operation) { operation.*member = value; });
    });
    m_showers.push_back([segments, member](const RenameOperationWrapper &operation) {
        segments->setCurrentIndex(indexOf(operation.*member));
    });
    return segments;
}

template <typename Enum>
ChoiceMenuButton *OperationParametersEditor::addChoiceMenu(QVBoxLayout *layout,
                                                           const QString &field,
                                                           Enum RenameOperationWrapper::*member)
{
    auto *menu = new ChoiceMenuButton(titles<Enum>());
    menu->setObjectName(field);
    layout->addWidget(menu);
    connect(menu, &ChoiceMenuButton::activated, this, [this, member](int index) {
        const Enum value = EnumCases<Enum>::all.at(size_t(index));
        choose([member, value](RenameOperationWrapper &operation) { operation.*member = value; });
    });
    m_showers.push_back([menu, member](const RenameOperationWrapper &operation) {
        menu->setCurrentIndex(indexOf(operation.*member));
    });
    return menu;
}

RenameOperationWrapper OperationParametersEditor::operation() const
{
    return m_step.data(OperationStackModel::OperationRole).value<RenameOperationWrapper>();
}

void OperationParametersEditor::edit(const std::function<void(RenameOperationWrapper &)> &change)
{
    if (!m_step.isValid())
        return;
    RenameOperationWrapper operation = this->operation();
    const RenameOperationWrapper before = operation;
    change(operation);
    if (operation != before)
        m_model->setData(m_step, QVariant::fromValue(operation),
                         OperationStackModel::OperationRole);
}

void OperationParametersEditor::choose(const std::function<void(RenameOperationWrapper &)> &change)
{
    if (!m_step.isValid())
        return;
    RenameOperationWrapper operation = this->operation();
    change(operation);
    m_model->setData(m_step, QVariant::fromValue(operation), OperationStackModel::OperationRole);
}

void OperationParametersEditor::refresh()
{
    if (!m_step.isValid())
        return;
    const RenameOperationWrapper operation = this->operation();
    for (const auto &show : m_showers)
        show(operation);
    showRowsFor(operation);
    showPatternProblem();
}

void OperationParametersEditor::showPatternProblem()
{
    const auto show = [](QLineEdit *field, QLabel *label, const QString &problem) {
        if (label->text() == problem)
            return;
        label->setText(problem);
        label->setVisible(!problem.isEmpty());
        // A screen reader tells it with the field, as the eye finds it below the field.
        field->setAccessibleDescription(problem);
        field->setProperty(RoundedTextFieldStyle::problemProperty, !problem.isEmpty());
        field->update();
    };
    show(m_patternField, m_patternProblem,
         m_step.data(OperationStackModel::PatternProblemRole).toString());
    show(m_replacementField, m_replacementProblem,
         m_step.data(OperationStackModel::ReplacementProblemRole).toString());
}

void OperationParametersEditor::showRowsFor(const RenameOperationWrapper &operation)
{
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it)
        it.value()->setVisible(it.key() == operation.mode);
    for (QWidget *widget : std::as_const(m_trimCountRow))
        widget->setVisible(operation.trimType == TrimType::characterCount);
    for (QWidget *widget : std::as_const(m_customCharactersRow))
        widget->setVisible(operation.trimType == TrimType::customCharacters);
    for (QWidget *widget : std::as_const(m_baseNameRow))
        widget->setVisible(!operation.useOriginalName);
    const bool date = operation.infoField == FileInfoField::dateTaken ||
                      operation.infoField == FileInfoField::dateModified;
    for (QWidget *widget : std::as_const(m_dateFormatRow))
        widget->setVisible(date);
    for (QWidget *widget : std::as_const(m_separatorRow))
        widget->setVisible(operation.infoPlacement != InfoPlacement::instead);
    for (QWidget *widget : std::as_const(m_whenMissingRow))
        widget->setVisible(operation.infoField == FileInfoField::dateTaken);
}
