#pragma once

// Every test uses QtTest and QtCore; one include here, not ten in each file.
#include <QtTest>
#include <functional>
#include <initializer_list>

using namespace Qt::StringLiterals; // u"..."_s in every test

// Each test file registers its QtTest class with TOBRIN_TEST(Class); the one
// program of the folder runs every registered class. TOBRIN_TEST_CLASS=Name
// runs just one; the remaining arguments go to QtTest as usual.
int registerTestClass(const char* name, std::function<QObject*()> create);

#define TOBRIN_TEST(Class)                                                                         \
    static const int Class##_registration = registerTestClass(#Class, [] { return new Class; })

// A helper process of a test: the same program started with
// TOBRIN_TEST_CHILD=name runs the registered function instead of the tests.
int registerTestChild(const char* name, std::function<int()> run);

// Starts the helper process `name` with these extra environment variables,
// kills it a random while (up to `upToMicroseconds`) after its first line,
// and returns all it said; empty if it never spoke.
QByteArray killedChild(const char* name, std::initializer_list<std::pair<QString, QString>> env,
                       int upToMicroseconds);
