#include "app/tfcomm.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The task-bar title, with its two blanks and the trailing one.
    QApplication::setApplicationDisplayName(QStringLiteral("Brenmoor  5082 "));
    TFCOMM FCOMM;
    FCOMM.show();
    return app.exec();
}
