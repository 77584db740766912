// Provisional: replaced by the full error-report module.
#include "app/err.h"
#include "app/app.h"
#include "core/log.h"
#include <cstdarg>
#include <cstdio>

bool ERR_Fatal(const char* fmt, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    LOG_Fatal("%s", buf);
    APP_Quit = 1;
    return false;
}
