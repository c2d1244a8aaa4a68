#include "dialogs/manageworkflowssheet.h"

#include "controls/horizontaldivider.h"
#include "dialogs/alertdialog.h"
#include "dialogs/sheetheader.h"
#include "dialogs/workflowrow.h"
#include "renameengine.h"

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

ManageWorkflowsSheet::ManageWorkflowsSheet(RenameEngine *engine, QWidget *parent)
    : QDialog(parent), m_engine(engine)
{
    setWindowTitle(tr("Manage Workflows"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(450, 400);

    m_header = new SheetHeader(tr("Manage Workflows"), this);
    m_header->doneButton()->setDefault(false);
    m_header->doneButton()->setAutoDefault(false);
    connect(m_header->doneButton(), &QPushButton::clicked, this, &QDialog::accept);

    m_rowsWidget = new QWidget;
    m_rowsLayout = new QVBoxLayout(m_rowsWidget);
    m_rowsLayout->setContentsMargins(16, 16, 16, 16);
    m_rowsLayout->setSpacing(12);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(m_rowsWidget);
    // The rows' own buttons take the keyboard and scroll into view; the area itself would only
    // be a stop without a name.
    scroll->setFocusPolicy(Qt::NoFocus);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(new HorizontalDivider(this));
    layout->addWidget(scroll, 1);

    connect(engine, &RenameEngine::savedWorkflowsChanged, this, &ManageWorkflowsSheet::rebuildRows);
    rebuildRows();
}

QList<WorkflowRow *> ManageWorkflowsSheet::rows() const
{
    QList<WorkflowRow *> result;
    for (int i = 0; i < m_rowsLayout->count(); ++i) {
        if (auto *row = qobject_cast<WorkflowRow *>(m_rowsLayout->itemAt(i)->widget()))
            result.append(row);
    }
    return result;
}

void ManageWorkflowsSheet::startRename(const QString &name)
{
    m_editingWorkflow = name;
    m_newName = name;
    rebuildRows();
}

void ManageWorkflowsSheet::commitRename()
{
    if (!m_editingWorkflow)
        return;
    const QString oldName = *m_editingWorkflow;
    const QString newName = m_newName;
    m_editingWorkflow.reset();
    m_newName.clear();
    rebuildRows();
    if (newName.isEmpty() || newName == oldName)
        return;
    const auto rename = [engine = m_engine, oldName, newName] {
        engine->renameWorkflow(oldName, newName);
    };
    if (!m_engine->renameReplacesWorkflow(oldName, newName)) {
        rename();
        return;
    }
    // Another workflow saved under the new name is replaced only when the user says so. The
    // question opens once the Return that committed has been handled, or the sheet would
    // take that key for the question's default button.
    AlertDialog *question = AlertDialog::overwriteWorkflow(newName, this, rename);
    QMetaObject::invokeMethod(question, &QDialog::open, Qt::QueuedConnection);
}

void ManageWorkflowsSheet::cancelRename()
{
    m_editingWorkflow.reset();
    m_newName.clear();
    rebuildRows();
}

void ManageWorkflowsSheet::deleteWorkflow(const QString &name)
{
    m_engine->deleteWorkflow(name);
}

void ManageWorkflowsSheet::rebuildRows()
{
    // Rows may be rebuilt from inside one of their own signals: let the old ones go later.
    while (QLayoutItem *item = m_rowsLayout->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }

    const QStringList names = m_engine->savedWorkflowNames();
    m_header->setSubtitle(tr("%n saved workflow(s)", nullptr, int(names.size())));
    QLineEdit *field = nullptr;
    for (const QString &name : names) {
        const bool editing = m_editingWorkflow && *m_editingWorkflow == name;
        auto *row =
            new WorkflowRow(name, editing ? WorkflowRow::Mode::rename : WorkflowRow::Mode::normal,
                            m_newName, m_rowsWidget);
        if (editing) {
            field = row->nameField();
            connect(row, &WorkflowRow::newNameEdited, this,
                    [this](const QString &text) { m_newName = text; });
            connect(row, &WorkflowRow::commitRequested, this, &ManageWorkflowsSheet::commitRename);
            connect(row, &WorkflowRow::cancelRequested, this, &ManageWorkflowsSheet::cancelRename);
        } else {
            connect(row, &WorkflowRow::renameRequested, this, [this, name] { startRename(name); });
            connect(row, &WorkflowRow::deleteRequested, this, [this, name] {
                // After a delete the next row moves up under the pointer: a click that
                // lands there within the double-click time is the rest of a double click,
                // not a second delete.
                if (m_lastDeleteClick.isValid() &&
                    m_lastDeleteClick.elapsed() < QApplication::doubleClickInterval())
                    return;
                m_lastDeleteClick.start();
                deleteWorkflow(name);
            });
        }
        m_rowsLayout->addWidget(row);
    }
    m_rowsLayout->addStretch(1);
    if (field) {
        field->setFocus();
        field->selectAll();
    }
}
