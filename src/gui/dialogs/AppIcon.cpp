#include "AppIcon.h"

// The icons live in a resource compiled into a static library; nothing
// would pull them into the program without this.
static void initIconResources()
{
    Q_INIT_RESOURCE(zelvane);
}

namespace zel {

QIcon applicationIcon()
{
    static const bool loaded = (initIconResources(), true);
    Q_UNUSED(loaded);
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/zelvane/icons/zelvane-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace zel
