#include "viewer/main_window.h"

void frmVelmora::PlaceRulers()
{
    if (!picOrig->hasPicture()) {
        // 1. No image: the empty picture box fills the viewport and the rulers run along
        // the viewport's whole outer edges.
        HidePointerReadout();
        picDisp->Move(0, 0, picDispBase->Width(), picDispBase->Height());
        picRulerBaseW->setLeft(picDispBase->Left());
        picRulerBaseW->setTop(picDispBase->Top() - picRulerBaseW->Height());
        picRulerBaseH->setLeft(picDispBase->Left() - picRulerBaseH->Width());
        picRulerBaseH->setTop(picDispBase->Top());
        picRulerBaseW->setWidth(picDispBase->Width());
        picRulerBaseH->setHeight(picDispBase->Height());
    } else {
        // 2. On an axis where the picture is not larger than the viewport the ruler is cut
        // to the picture, one pixel longer so its last tick shows.
        if (picDisp->ScaleWidth() > picDispBase->ScaleWidth())
            picRulerBaseW->setWidth(picDispBase->Width());
        else
            picRulerBaseW->setWidth(picDisp->Width() + 1);

        if (picDisp->ScaleHeight() > picDispBase->ScaleHeight())
            picRulerBaseH->setHeight(picDispBase->Height());
        else
            picRulerBaseH->setHeight(picDisp->Height() + 1);

        // Only a positive offset (a centred, smaller picture) pulls a ruler into the
        // viewport's margin; on a scrolled axis it stays against the viewport's edge.
        if (picDisp->Left() > 0)
            picRulerBaseW->setLeft(picDispBase->Left() + picDisp->Left());
        else
            picRulerBaseW->setLeft(picDispBase->Left());

        if (picDisp->Top() > 0)
            picRulerBaseW->setTop(picDispBase->Top() + picDisp->Top() - picRulerBaseW->Height());
        else
            picRulerBaseW->setTop(picDispBase->Top() - picRulerBaseW->Height());

        if (picDisp->Left() > 0)
            picRulerBaseH->setLeft(picDispBase->Left() + picDisp->Left() - picRulerBaseH->Width());
        else
            picRulerBaseH->setLeft(picDispBase->Left() - picRulerBaseH->Width());

        if (picDisp->Top() > 0)
            picRulerBaseH->setTop(picDispBase->Top() + picDisp->Top());
        else
            picRulerBaseH->setTop(picDispBase->Top());
    }

    // 3. The strips are always as long as the viewport; a shorter base box clips the rest.
    picRulerW->setWidth(picDispBase->Width());
    picRulerH->setHeight(picDispBase->Height());
    DrawRulers();
}

void frmVelmora::ckbShowRulers_Click()
{
    // Only Value 1 shows the rulers; 2 (greyed) hides them like 0.
    picRulerBaseW->setVisible(ckbShowRulers->Value() == 1);
    picRulerBaseH->setVisible(ckbShowRulers->Value() == 1);

    if (picRulerBaseW->Visible()) {
        // In front of the viewport, into whose margin they move when the picture is small.
        picRulerBaseW->ZOrder();
        picRulerBaseH->ZOrder();
        // Marks just past the picture's edge still show over them.
        host_.raiseViewportOverlays();
        picRulerW->setLeft(0);
        picRulerW->setTop(0);
        picRulerH->setLeft(0);
        picRulerH->setTop(0);
    }

    // Placed and drawn in both states, so they fit the picture whenever they are shown.
    PlaceRulers();
}
