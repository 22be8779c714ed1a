/* The publisher's and the game's names, in one place for the program and for the resource
   compiler (the version resource of setup.exe): the elevation prompt, the file's properties
   and the system's list of programs then name the same publisher and product. */
#pragma once
#define PUBLISHER_NAME "Halvane"
#define PRODUCT_NAME "Vorlex"
