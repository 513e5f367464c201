// Modal message boxes for the game.
#include "app/MessageBoxUi.h"

#include <QMessageBox>

void MessageBoxUi::showMessage(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Korvex"), text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("msgBox"));
    box.exec();
}
