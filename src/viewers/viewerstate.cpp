#include "viewers/viewerstate.h"

#include "forms/form.h"

namespace korimo {
bool anyViewerOpen() {
    for (Form* f : Form::Forms())
        if (f->Name().startsWith(QLatin1String("Viewer"), Qt::CaseInsensitive))
            return true;
    return false;
}
} // namespace korimo
