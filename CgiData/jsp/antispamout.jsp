<%-- SPDX-License-Identifier: MIT --%><%--
  The pop-up form's answer: runs antispamin.jsp with its answer half selected. A request
  attribute, unlike a parameter, cannot be set by the client.
--%><% request.setAttribute("orvex.kit.answer", Boolean.TRUE); %><jsp:forward page="antispamin.jsp"/>
