// Entry point: the whole program runs inside APP_Start.
#include "app/app.h"

int main(int argc, char** argv)
{
    return APP_Start(argc, argv) ? 0 : 1;
}
