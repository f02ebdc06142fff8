#include "entry.h"

int main(int argc, char** argv)
{
    return LumivaneMain(argc, argv);
}
