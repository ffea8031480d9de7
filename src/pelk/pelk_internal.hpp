// State hooks shared by the files of the host utility layer.
#pragma once

void pelk_reset_output_state();
void pelk_reset_host_call_state();
