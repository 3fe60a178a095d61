// The process floor: start and exit of a static C++ program that does nothing.
int main() { return 0; }
