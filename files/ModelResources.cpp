#include "ModelResources.h"

#include <QtGlobal>

void initialiseModelResources()
{
    Q_INIT_RESOURCE(models);
}
