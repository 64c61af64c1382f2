#include "ui/QueryBuilderWindow.h"

#include "ui/FormSupport.h"

namespace zemo {

QueryBuilderWindow* queryBuilder() {
    return dynamic_cast<QueryBuilderWindow*>(mainWindow());
}

} // namespace zemo
