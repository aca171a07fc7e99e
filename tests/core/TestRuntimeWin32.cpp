#include "TestRuntime.h"
#include <gtest/gtest.h>
#include <clocale>
#include <mbctype.h>

void ForEachRuntimeState(const std::function<void(const RuntimeState&)>& check)
{
    check({"the default code page", false});
    for (int codePage : {932, 936, 949, 950}) {
        if (_setmbcp(codePage) != 0) {
            ADD_FAILURE() << "the runtime refused code page " << codePage;
            continue;
        }
        check({"code page " + std::to_string(codePage), true});
    }
    _setmbcp(_MB_CP_ANSI);
    if (std::setlocale(LC_CTYPE, "English_United States.1252"))
        check({"the English locale", false});
    else
        ADD_FAILURE() << "the runtime refused the English locale";
    std::setlocale(LC_ALL, "C");
}
