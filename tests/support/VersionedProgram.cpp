// Carries the program's version note (linked in beside this file) and does nothing else.
int main() {
    return 0;
}
