#include "app/tfcomm.h"

TFCOMM::TFCOMM(const BuildVariant& variant, QWidget* parent)
    : QMainWindow(parent)
    , variant_(variant)
{
    setObjectName(QStringLiteral("FCOMM"));
    setWindowTitle(QStringLiteral("Z5082"));
    FormCreate();
}

TFCOMM::~TFCOMM() = default;

void TFCOMM::FormCreate()
{
    if (variant_.IFRK40V)
        setWindowTitle(QStringLiteral("Brenmoor 5082 Interface Program _Ver: 2.02"));
}
