#include "ui/ResourceIds.h"

#include <QtGlobal>

void LoadFindlarkResources() {
    Q_INIT_RESOURCE(findlark);
}
