#pragma once

// <unistd.h> declares a global function link(), and a global namespace of the same name cannot
// exist beside it. The protocol core therefore lives in korvex::link, and this using-directive
// lets any code write link::name: a name followed by :: is looked up among namespaces and types
// only, so the function never gets in the way.
namespace korvex::link {}
using namespace korvex;
