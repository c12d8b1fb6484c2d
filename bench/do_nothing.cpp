// A C++ program that does nothing: the start-up cost every run pays. It keeps
// a use of the C++ library so that the library is loaded as in a real program.
#include <string>

int main(int argc, char** argv) {
  const std::string name(argc > 0 ? argv[0] : "");
  return name.empty() ? 1 : 0;
}
