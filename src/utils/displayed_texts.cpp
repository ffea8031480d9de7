// Displayed texts of notes, labels and dimensions, read through the object
// interface: each stored line evaluated by the host and written as an element
// of its own.
#include "utils/displayed_texts.hpp"

#include <kavoopen/kavoopen.hpp>

#include "common/host_release.hpp"
#include "common/run_settings.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/xml_writer.hpp"

#include <vector>

namespace {

namespace KA = KavoOpen::Annotations;

constexpr const char kIndent[] = "              ";  // 14 blanks
constexpr int kLineAppendedTexts = 4253;

// Evaluates each line for the object and writes it as one element.
void write_evaluated_lines(KA::AnnotationManager* manager, KA::Annotation* annotation,
                           const std::vector<KavoOpen::KavoString>& lines, const char* element) {
    for (const KavoOpen::KavoString& line : lines) {
        KA::AssociativeText* evaluator = manager->CreateAssociativeText();
        const KavoOpen::KavoString evaluated = evaluator->GetEvaluatedText(annotation, line);
        write_xml_element(glob_xml_file, kIndent, element, "%s", evaluated.GetLocaleText());
    }
}

void write_note_texts(tag_t object, KA::AnnotationManager* manager) {
    auto* aid = dynamic_cast<KA::SimpleDraftingAid*>(KavoOpen::KavoObjectManager::Get(object));
    if (aid == nullptr) return;
    const std::vector<KavoOpen::KavoString> lines = aid->GetText();
    write_evaluated_lines(manager, aid, lines, "DisplayedText");
}

// The appended texts, fetched before, after, above, below and written
// before, after, below, above. A KavoException skips the rest of them.
template <typename DimensionClass>
void write_dimension_texts(tag_t object, KA::AnnotationManager* manager) {
    auto* dimension = dynamic_cast<DimensionClass*>(KavoOpen::KavoObjectManager::Get(object));
    if (dimension == nullptr) return;
    try {
        KA::AppendedText* appended = dimension->GetAppendedText();
        if (appended == nullptr) return;
        const std::vector<KavoOpen::KavoString> before = appended->GetBeforeText();
        const std::vector<KavoOpen::KavoString> after = appended->GetAfterText();
        const std::vector<KavoOpen::KavoString> above = appended->GetAboveText();
        const std::vector<KavoOpen::KavoString> below = appended->GetBelowText();
        write_evaluated_lines(manager, dimension, before, "DisplayedBeforeText");
        write_evaluated_lines(manager, dimension, after, "DisplayedAfterText");
        write_evaluated_lines(manager, dimension, below, "DisplayedBelowText");
        write_evaluated_lines(manager, dimension, above, "DisplayedAboveText");
    } catch (const KavoOpen::KavoException& exception) {
        pelk_syslog_printf("\nException %s %d %s", exception.Message(), kLineAppendedTexts,
                           kUtilsUnit);
    }
}

// The dimension class that the subtype calls for; false for a subtype
// without displayed texts.
bool write_texts_of_dimension(int subtype, tag_t object, KA::AnnotationManager* manager) {
    switch (subtype) {
        case 1:
            write_dimension_texts<KA::HorizontalDimension>(object, manager);
            return true;
        case 2:
            write_dimension_texts<KA::VerticalDimension>(object, manager);
            return true;
        case 3:
            write_dimension_texts<KA::ParallelDimension>(object, manager);
            return true;
        case 4:
            write_dimension_texts<KA::CylindricalDimension>(object, manager);
            return true;
        case 5:
            write_dimension_texts<KA::PerpendicularDimension>(object, manager);
            return true;
        case 6:
        case 7:
            write_dimension_texts<KA::AngularDimension>(object, manager);
            return true;
        case 8:
            write_dimension_texts<KA::ArcLengthDimension>(object, manager);
            return true;
        case 9:
            write_dimension_texts<KA::RadiusDimension>(object, manager);
            return true;
        case 10:
            write_dimension_texts<KA::DiameterDimension>(object, manager);
            return true;
        case 11:
            write_dimension_texts<KA::HoleDimension>(object, manager);
            return true;
        case 13:
        case 14:
            write_dimension_texts<KA::OrdinateDimension>(object, manager);
            return true;
        case 16:
            write_dimension_texts<KA::FoldedRadiusDimension>(object, manager);
            return true;
        default:
            return false;
    }
}

}  // namespace

void write_annotation_displayed_texts(tag_t object, KA::AnnotationManager* manager) {
    int type = 0;
    int subtype = 0;
    pelk_ask_type_and_subtype(object, &type, &subtype);
    if (manager == nullptr) return;
    if (type == RQ_drafting_entity_type && (subtype == 1 || subtype == 2)) {
        write_note_texts(object, manager);
    } else if (type == RQ_dimension_type) {
        write_texts_of_dimension(subtype, object, manager);
    }
}

namespace {

// Some releases take the manager from the part itself; it is the same one.
KA::AnnotationManager* annotation_manager(KavoOpen::BasePart* work_part) {
    if (!host_release().annotations_from_part) return work_part->Annotations();
    auto* part = dynamic_cast<KavoOpen::Part*>(work_part);
    return part != nullptr ? part->Annotations() : nullptr;
}

}  // namespace

int write_displayed_texts(tag_t object) {
    KavoOpen::Session* session = KavoOpen::Session::GetSession();
    KavoOpen::PartCollection* parts = session->Parts();
    try {
        KavoOpen::BasePart* work_part = parts->Work();
        if (work_part != nullptr)
            write_annotation_displayed_texts(object, annotation_manager(work_part));
    } catch (...) {
        // Any other failure of the object interface ends this object's texts.
    }
    return 0;
}
