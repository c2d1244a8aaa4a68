#include "operations/operationparameterseditor.h"

#include "controls/stepper.h"
#include "controls/wholenumberfield.h"
#include "operations/fileinfofields.h"
#include "operations/operationstackmodel.h"
#include "operations/optionlabel.h"
#include "operations/stepfieldbinder.h"
#include "style/colors.h"
#include "style/fonts.h"
#include "style/palettefollower.h"
#include "style/roundedtextfieldstyle.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <limits>

namespace {

constexpr int itemSpacing = 12;

} // namespace

const QStringList &OperationParametersEditor::datePresets()
{
    return OptionTexts::datePresets();
}

OperationParametersEditor::OperationParametersEditor(QAbstractItemModel *model, int row,
                                                     QWidget *parent)
    : QWidget(parent), m_fields(new StepFieldBinder(model, row, this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QVBoxLayout *page = nullptr;
    const auto newPage = [this](RenameMode mode) {
        auto *widget = new QWidget;
        addPage(mode, widget);
        return makePageLayout(widget);
    };

    page = newPage(RenameMode::replace);
    m_fields->addLabel(page, tr("Find"), QStringLiteral("findText"));
    m_fields->addTextField(page, tr("Text to find"), QStringLiteral("findText"),
                           &RenameOperationWrapper::findText);
    m_fields->addLabel(page, tr("Replace"), QStringLiteral("replaceText"));
    m_fields->addTextField(page, tr("Replacement text"), QStringLiteral("replaceText"),
                           &RenameOperationWrapper::replaceText);
    m_fields->addLabel(page, tr("Occurrence"), QStringLiteral("replaceOccurrence"));
    m_fields->addSegments(page, QStringLiteral("replaceOccurrence"),
                          &RenameOperationWrapper::replaceOccurrence);
    m_fields->addSwitch(page, tr("Case sensitive"), QStringLiteral("caseSensitive"),
                        &RenameOperationWrapper::caseSensitive);

    page = newPage(RenameMode::regex);
    m_fields->addLabel(page, tr("Pattern"), QStringLiteral("regexPattern"));
    m_patternField =
        m_fields->addTextField(page, tr("Regular expression"), QStringLiteral("regexPattern"),
                               &RenameOperationWrapper::regexPattern);
    m_patternField->setFont(Fonts::monospacedBody());
    m_patternProblem = addProblemLabel(page, m_patternField, QStringLiteral("regexPatternProblem"));
    m_fields->addLabel(page, tr("Replace With"), QStringLiteral("regexReplacement"));
    m_replacementField =
        m_fields->addTextField(page, tr("Replacement"), QStringLiteral("regexReplacement"),
                               &RenameOperationWrapper::regexReplacement);
    m_replacementField->setFont(Fonts::monospacedBody());
    m_replacementProblem =
        addProblemLabel(page, m_replacementField, QStringLiteral("regexReplacementProblem"));

    page = newPage(RenameMode::trim);
    m_fields->addLabel(page, tr("Trim Type"), QStringLiteral("trimType"));
    m_fields->addChoiceMenu(page, QStringLiteral("trimType"), &RenameOperationWrapper::trimType);
    m_trimCountRow = {m_fields->addLabel(page, tr("Count"), QStringLiteral("trimCount")),
                      m_fields->addNumberField(page, QStringLiteral("trimCount"),
                                               &RenameOperationWrapper::trimCount)};
    m_customCharactersRow = {
        m_fields->addLabel(page, tr("Characters"), QStringLiteral("customCharacters")),
        m_fields->addTextField(page, tr("e.g., space (default)"),
                               QStringLiteral("customCharacters"),
                               &RenameOperationWrapper::customCharacters)};
    m_fields->addLabel(page, tr("Position"), QStringLiteral("trimPosition"));
    m_fields->addSegments(page, QStringLiteral("trimPosition"),
                          &RenameOperationWrapper::trimPosition);

    page = newPage(RenameMode::append);
    m_fields->addLabel(page, tr("Append Text"), QStringLiteral("appendText"));
    m_fields->addTextField(page, tr("Text to add at end"), QStringLiteral("appendText"),
                           &RenameOperationWrapper::appendText);
    m_fields->addSwitch(page, tr("Before extension"), QStringLiteral("beforeExtension"),
                        &RenameOperationWrapper::beforeExtension);

    page = newPage(RenameMode::prepend);
    m_fields->addLabel(page, tr("Prepend Text"), QStringLiteral("prependText"));
    m_fields->addTextField(page, tr("Text to add at start"), QStringLiteral("prependText"),
                           &RenameOperationWrapper::prependText);

    page = newPage(RenameMode::changeCase);
    m_fields->addLabel(page, tr("Case Type"), QStringLiteral("caseType"));
    m_fields->addChoiceMenu(page, QStringLiteral("caseType"), &RenameOperationWrapper::caseType);

    page = newPage(RenameMode::sequence);
    m_fields->addSwitch(page, tr("Use original names"), QStringLiteral("useOriginalName"),
                        &RenameOperationWrapper::useOriginalName);
    m_baseNameRow = {m_fields->addLabel(page, tr("Base Name"), QStringLiteral("sequenceBaseName")),
                     m_fields->addTextField(page, tr("Filename"),
                                            QStringLiteral("sequenceBaseName"),
                                            &RenameOperationWrapper::sequenceBaseName)};
    m_fields->addLabel(page, tr("Starting Number"), QStringLiteral("sequenceStart"));
    m_fields->addNumberField(page, QStringLiteral("sequenceStart"),
                             &RenameOperationWrapper::sequenceStart);
    {
        // The digits control sits in a column of its own, its caption closer to it.
        auto *column = new QWidget;
        auto *columnLayout = new QVBoxLayout(column);
        columnLayout->setContentsMargins(0, 0, 0, 0);
        columnLayout->setSpacing(4);
        m_fields->addLabel(columnLayout, tr("Number of Digits"), QStringLiteral("sequencePadding"));
        auto *stepper = new Stepper(tr("Padding: "), paddingMinimum, paddingMaximum);
        stepper->setObjectName(QStringLiteral("sequencePadding"));
        columnLayout->addWidget(stepper);
        page->addWidget(column);
        connect(stepper, &Stepper::valueChanged, this, [this](int value) {
            m_fields->edit(
                [value](RenameOperationWrapper &operation) { operation.sequencePadding = value; });
        });
        // The stored padding as it is, also outside the stepper's range: names use it so.
        m_fields->addShower([stepper](const RenameOperationWrapper &operation) {
            stepper->setValue(
                int(qBound(qint64(std::numeric_limits<int>::min()), operation.sequencePadding,
                           qint64(std::numeric_limits<int>::max()))));
        });
    }
    m_fields->addLabel(page, tr("Location"), QStringLiteral("sequenceLocation"));
    m_fields->addSegments(page, QStringLiteral("sequenceLocation"),
                          &RenameOperationWrapper::sequenceLocation);

    m_fileInfo = new FileInfoFields(m_fields);
    addPage(RenameMode::fileInfo, m_fileInfo);

    // Each control is named by the caption above it, as a sighted user reads the pair.
    for (const OptionLabel *label : findChildren<OptionLabel *>()) {
        auto *control =
            findChild<QWidget *>(label->objectName().chopped(QLatin1String("Label").size()));
        if (control && control->accessibleName().isEmpty())
            control->setAccessibleName(label->text());
    }

    refresh();
}

void OperationParametersEditor::addPage(RenameMode mode, QWidget *page)
{
    page->setObjectName(rawValue(mode) + QStringLiteral("Page"));
    layout()->addWidget(page);
    m_pages.insert(mode, page);
}

void OperationParametersEditor::showNote(QLineEdit *field, QLabel *note, const QString &text,
                                         bool problem)
{
    if (note->text() == text && field->property(RoundedTextFieldStyle::problemProperty) == problem)
        return;
    note->setText(text);
    note->setVisible(!text.isEmpty());
    // A screen reader tells it with the field, as the eye finds it below the field.
    field->setAccessibleDescription(text);
    field->setProperty(RoundedTextFieldStyle::problemProperty, problem);
    field->update();
}

QVBoxLayout *OperationParametersEditor::makePageLayout(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(itemSpacing);
    layout->setAlignment(Qt::AlignTop);
    return layout;
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

void OperationParametersEditor::refresh()
{
    if (!m_fields->isValid())
        return;
    const RenameOperationWrapper operation = m_fields->operation();
    m_fields->show(operation);
    showRowsFor(operation);
    showPatternProblem();
}

void OperationParametersEditor::showPatternProblem()
{
    const auto show = [](QLineEdit *field, QLabel *label, const QString &problem) {
        showNote(field, label, problem, !problem.isEmpty());
    };
    show(m_patternField, m_patternProblem,
         m_fields->data(OperationStackModel::PatternProblemRole).toString());
    show(m_replacementField, m_replacementProblem,
         m_fields->data(OperationStackModel::ReplacementProblemRole).toString());
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
    m_fileInfo->showRowsFor(operation);
}
