// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HelpDialogs.h"
#include "app/Mnemonics.h"
#include "widgets/Prompts.h"
#include "widgets/Typeface.h"
#include "base/UiTexts.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace HelpDialogs {

QList<QPair<QString, QString>> keyTable(const Commands &c)
{
    const auto keys = [](const QAction *a) {
        QStringList names;
        for (const QKeySequence &k : a->shortcuts())
            names << k.toString(QKeySequence::NativeText);
        return names.join(QStringLiteral(", "));
    };
    // A command as its menu names it, without the dots of a dialog.
    const auto command = [](const QAction *a) {
        QString t = Mnemonics::plainText(a);
        while (t.endsWith(QLatin1Char('.')))
            t.chop(1);
        return t.trimmed();
    };
    const QString enter = uiText("keyEnter");
    QList<QPair<QString, QString>> table{
        {uiText("keyDice"), uiText("keyDiceDoes")},
        {QKeySequence(Qt::Key_R).toString(QKeySequence::NativeText), uiText("keyRollDoes")},
        {QKeySequence(Qt::Key_D).toString(QKeySequence::NativeText) + QStringLiteral(", ") + enter,
         uiText("keyDoneDoes")},
        {enter, uiText("keyCoverDoes")},
        {uiText("keyArrows"), uiText("keyArrowsDoes")},
        {uiText("keyDieMoves"), uiText("keyDieMovesDoes")},
        {QKeySequence(Qt::Key_S).toString(QKeySequence::NativeText), uiText("keyStateDoes")},
        {keys(c.pause), command(c.pause)},
        {keys(c.newGame), command(c.newGame)},
        {keys(c.open), command(c.open)},
        {keys(c.save), command(c.save)},
        {keys(c.rules), command(c.rules)},
        {keys(c.exit), command(c.exit)},
        {QKeySequence(Qt::Key_Escape).toString(QKeySequence::NativeText), uiText("keyEscapeDoes")},
    };
    // The challenge commands after New Game, as the File menu has them.
    int at = 9;
    for (const QAction *a : {c.newChallenge, c.copyChallenge})
        if (a)
            table.insert(at++, {keys(a), command(a)});
    return table;
}

void showKeys(QWidget *parent, Prompts &prompts, const QString &title, const Commands &commands)
{
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("dlgKeys"));
    dlg.setWindowTitle(title);
    auto *box = new QVBoxLayout(&dlg);
    const QList<QPair<QString, QString>> rows = keyTable(commands);
    auto *table = new QTableWidget(int(rows.size()), 2, &dlg);
    table->setObjectName(QStringLiteral("tblKeys"));
    table->setAccessibleName(title);
    table->setHorizontalHeaderLabels({uiText("keyColumnKey"), uiText("keyColumnDoes")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    for (int r = 0; r < rows.size(); ++r) {
        table->setItem(r, 0, new QTableWidgetItem(rows.at(r).first));
        table->setItem(r, 1, new QTableWidgetItem(rows.at(r).second));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    box->addWidget(table);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dlg);
    buttons->button(QDialogButtonBox::Close)->setText(uiText("helpClose"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    box->addWidget(buttons);
    // Wide and tall enough for every row without scrolling.
    int width = table->verticalHeader()->width() + 4;
    for (int col = 0; col < 2; ++col)
        width += table->columnWidth(col);
    const int height = table->horizontalHeader()->height() + table->rowHeight(0) * int(rows.size()) + 4;
    table->setMinimumSize(width + 16, height);
    table->setCurrentCell(0, 0);
    prompts.runModal(dlg);
}

void showAbout(QWidget *parent, Prompts &prompts, const QString &title)
{
    QString text = QStringLiteral("<h3>Korvex %1</h3><p>%2</p><p>%3</p>")
                           .arg(QStringLiteral(KORVEX_VERSION), uiText("aboutWhat").toHtmlEscaped(),
                                uiText("aboutLicence").toHtmlEscaped());
    if (Typeface::registeredFontId() >= 0)
        text += QStringLiteral("<p>%1</p>").arg(uiText("aboutTypeface").toHtmlEscaped());
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Close, parent);
    box.setObjectName(QStringLiteral("dlgAbout"));
    box.button(QMessageBox::Close)->setText(uiText("helpClose"));
    box.setTextFormat(Qt::RichText);
    if (!parent->windowIcon().isNull())
        box.setIconPixmap(parent->windowIcon().pixmap(64, 64));
    prompts.runModal(box);
}

} // namespace HelpDialogs
