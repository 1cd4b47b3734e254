// The workbench's own icons, painted at start: 324 the program and
// connection icon, 325 the local group, 326 a module, 327 an axis, 328 a
// module or node axis.
#pragma once

#include <QIcon>

namespace korvan::shell {

/// The icon of a resource number (324 to 328); a null icon for others.
QIcon resourceIcon(int resource);

} // namespace korvan::shell
