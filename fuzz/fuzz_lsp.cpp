// The language server's features on any text, at any place: nothing they
// are asked may crash them or give JSON that cannot be written.
#include "planassist.h"
#include "planfeatures.h"
#include "planmanager.h"
#include "unitlist.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::size_t line = data[0] % 16, character = data[1] % 64;
    const auto units = data[2] & 1 ? CTextDocument::Units::Utf8 : CTextDocument::Units::Utf16;
    CTextDocument doc(std::string(reinterpret_cast<const char*>(data) + 3, size - 3), 1, units);

    static CPlanManager planTypes;
    static CUnitList unitList;
    if (planTypes.All().empty()) {
        CPlanManager::AddParamDef(planTypes.AddPlanType("Hold"), "holdType",
                                  ParamKindString | ParamMulti);
        CUnitList::AddUnit(unitList.AddGroup("G"), "Gun", "iu_gun");
    }
    CPlanFeatures features(doc, &planTypes, &unitList);
    CPlanAssist assist(doc, &planTypes, &unitList);
    lsp::Json all = lsp::Json::array();
    all.push_back(features.Diagnostics());
    all.push_back(lsp::Json::parse(features.Symbols()));
    all.push_back(features.Folding());
    lsp::Json edits;
    std::string why;
    features.Formatting(edits, why);
    all.push_back(edits);
    all.push_back(assist.Completion({line, character}));
    all.push_back(assist.Hover({line, character}));
    lsp::Json diagnostics = all[0];
    for (const char* code : {"section-repeated", "unit-unknown", "plan-type-unknown",
                             "condition-unknown", "semicolon-comment"})
        diagnostics.push_back(
            {{"code", code}, {"range", lsp::Range({line, 0}, {line, character})}});
    all.push_back(features.CodeActions("file:///f.zeq", diagnostics));
    all.dump(-1, ' ', false, lsp::Json::error_handler_t::replace);

    doc.Replace({line, character}, {data[3] % 16u, 0}, "x\r\n", 2);
    return 0;
}
