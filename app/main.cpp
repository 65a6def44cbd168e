#include "app/varlo_app.h"

wxIMPLEMENT_APP(varlo::CVarloApp);
