#include "app/application.h"

int main(int argc, char* argv[]) {
    return korimo::runApplication(argc, argv);
}
