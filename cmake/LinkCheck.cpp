// Linked with every object of one library and the libraries it names: an unresolved symbol means
// the library uses a room above it.
int main() {
    return 0;
}
