// SPDX-License-Identifier: MIT
// The process-start floor for the codeimg benchmark: a program that only exits.
int main(void) {
    return 0;
}
