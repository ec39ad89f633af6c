#pragma once

#include <QPixmap>

/**
 * The two 25 x 24 link-activity pictures: a computer and a meter, with lit
 * screens while frames arrive and dark screens otherwise.
 */
namespace linkicons {

QPixmap lit();
QPixmap dark();

} // namespace linkicons
