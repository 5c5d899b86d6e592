#include "TitlesView.h"

#include "SingleEmitter.h"
#include "Titles.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const int lineCount = 4;

} // namespace

TitlesView::TitlesView(QWidget* parent, Qt::WindowFlags flags)
    : EntryPage(parent, flags), notesEdit(new QPlainTextEdit(this))
{
    setPageTitle(tr("Titles"));
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(8);
    for (int i = 0; i < lineCount; ++i) {
        auto* first = new QLineEdit(this);
        first->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* second = new QLineEdit(this);
        second->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(new QLabel(QString::number(i + 1), this), i, 0, Qt::AlignRight);
        grid->addWidget(first, i, 1);
        grid->addWidget(new QLabel(QStringLiteral(":"), this), i, 2, Qt::AlignLeft);
        grid->addWidget(second, i, 3);
        titleEdits.append(qMakePair(first, second));
    }
    const int stretches[] = {0, 1, 0, 2};
    for (int column = 0; column < 4; ++column)
        grid->setColumnStretch(column, stretches[column]);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addLayout(grid, 0);
    layout->addWidget(new QLabel(tr("Notes: (not printed)"), this), 0, Qt::AlignLeft);
    layout->addWidget(notesEdit, 1);
    setFocusProxy(titleEdits.first().first);
    repopulate();
}

void TitlesView::setTitles(const TitlesRef& titles)
{
    disconnectAllSignals(followEmitter, target.data());
    takeEntry(titles);
    if (target)
        connect(target.data(), &Titles::TitlesHaveChanged, followEmitter, &SingleEmitter::trigger);
}

void TitlesView::repopulate()
{
    for (int i = 0; i < lineCount; ++i) {
        QLineEdit* const fields[] = {titleEdits[i].first, titleEdits[i].second};
        for (int column = 0; column < 2; ++column) {
            fields[column]->setEnabled(copy != nullptr);
            showText(fields[column], copy ? copy->title(i, column) : QString());
        }
    }
    const QString note = copy ? copy->note() : QString();
    if (notesEdit->toPlainText() != note)
        notesEdit->setPlainText(note);
}

void TitlesView::textChanged()
{
    if (!copy)
        return;
    // Empty fields past the titles' own lines add no lines.
    int lines = copy->lineCount();
    for (int i = 0; i < lineCount; ++i)
        if (!titleEdits[i].first->text().isEmpty() || !titleEdits[i].second->text().isEmpty())
            lines = std::max(lines, i + 1);
    for (int i = 0; i < std::min(lines, lineCount); ++i) {
        copy->setTitle(i, 0, titleEdits[i].first->text());
        copy->setTitle(i, 1, titleEdits[i].second->text());
    }
    copy->setNote(notesEdit->toPlainText());
    emit copy->TitlesHaveChanged();
    emitter->trigger();
}

void TitlesView::readFields()
{
    textChanged();
}

bool TitlesView::mergeEntry()
{
    // The entry's lines, with each text the user edited on the page in its
    // place; a line past the entry's last is reached through empty ones.
    Titles result(*target, nullptr);
    for (int i = 0; i < lineCount; ++i)
        for (int column = 0; column < 2; ++column) {
            const QString mine = copy->title(i, column);
            if (mine == agreed->title(i, column) || mine == result.title(i, column))
                continue;
            while (result.lineCount() < i)
                result.setTitle(result.lineCount(), 0, QString());
            result.setTitle(i, column, mine);
        }
    if (copy->note() != agreed->note())
        result.setNote(copy->note());
    const bool changed = result != *copy;
    if (changed)
        copy->importFrom(result);
    agree();
    return changed;
}

void TitlesView::handOnEdits()
{
    if (isEnabled() && *copy != *target)
        emit TitlesChanged(target, copy);
}

void TitlesView::widgetClosing(const QWidget* widget)
{
    if (widget == this)
        writeBack();
}
