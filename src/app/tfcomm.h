#pragma once

#include "app/build_variant.h"

#include <QMainWindow>

/**
 * The program's one window. Owns every subsystem object and wires them
 * together; the logic itself lives in the subsystem libraries.
 */
class TFCOMM : public QMainWindow {
    Q_OBJECT
public:
    explicit TFCOMM(const BuildVariant& variant = BuildVariant::shipped(), QWidget* parent = nullptr);
    ~TFCOMM() override;

    const BuildVariant& variant() const { return variant_; }

private:
    void FormCreate();

    BuildVariant variant_;
};
