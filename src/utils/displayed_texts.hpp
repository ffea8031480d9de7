// The texts a drafting note, label or dimension shows on the drawing, as the
// host evaluates them, written into the entity section of the report.
#pragma once

#include <rq/rq.h>

namespace KavoOpen::Annotations {
class AnnotationManager;
}

// Writes the displayed texts of the object; every exception of the object
// interface ends the object's texts silently. Returns 0.
int write_displayed_texts(tag_t object);
// Writes the displayed-text elements of one object to glob_xml_file.
void write_annotation_displayed_texts(tag_t object,
                                      KavoOpen::Annotations::AnnotationManager* manager);
