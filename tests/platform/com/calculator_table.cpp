#include "calculator.h"

using namespace platform;

const DispInterface& CalculatorTable() {
    static const DispInterface table{
        u"ICalculator",
        IID_ICalculator,
        u"ICalculator Interface",
        {
            Method<&ICalculator::Add>(u"Add", 1, u"method Add",
                                      {{u"a"}, {u"b"}, {u"sum", VT_EMPTY, kRetval}}),
            Method<&ICalculator::Scale>(u"Scale", 2, u"method Scale",
                                        {{u"factor"},
                                         {u"value", VT_I4, kInOut},
                                         {u"label", VT_BSTR, kOut},
                                         {u"calls", VT_I4, kRetval}}),
            Method<&ICalculator::Fail>(u"Fail", 3, u"method Fail", {{u"why"}}),
            Get<&ICalculator::get_Name>(u"Name", 4, u"property Name"),
            Put<&ICalculator::put_Name>(u"Name", 4, u"property Name"),
            Get<&ICalculator::get_Volume>(u"Volume", 5, u"property Volume"),
            Put<&ICalculator::put_Volume>(u"Volume", 5, u"property Volume"),
            Get<&ICalculator::get_Enabled>(u"Enabled", 6, u"property Enabled", VT_BOOL),
            Put<&ICalculator::put_Enabled>(u"Enabled", 6, u"property Enabled", VT_BOOL),
            Method<&ICalculator::Reverse>(
                u"Reverse", 7, u"method Reverse",
                {{u"bytes", VT_ARRAY | VT_UI1}, {u"reversed", VT_ARRAY | VT_UI1, kRetval}}),
            Method<&ICalculator::Echo>(u"Echo", 8, u"method Echo",
                                       {{u"value"}, {u"copy", VT_VARIANT, kRetval}}),
            Method<&ICalculator::Sum>(u"Sum", 9, u"method Sum",
                                      {{u"a"},
                                       {u"b", VT_VARIANT, kOptional},
                                       {u"c", VT_R8, kOptional},
                                       {u"total", VT_I8, kRetval}}),
            Method<&ICalculator::Mirror>(u"Mirror", 10, u"method Mirror",
                                         {{u"point", VT_RECORD | VT_BYREF, kInOut}}),
            Method<&ICalculator::Ring>(u"Ring", 11, u"method Ring", {{u"count"}}),
        }};
    return table;
}

const DispInterface& CalculatorEventsTable() {
    static const DispInterface table{u"ICalculatorEvents",
                                     DIID_ICalculatorEvents,
                                     u"ICalculatorEvents Interface",
                                     {
                                         Event(u"Tick", kTickEvent, u"event Tick", {{u"N", VT_I4}}),
                                         Event(u"Done", kDoneEvent, u"event Done"),
                                     }};
    return table;
}
